#pragma once

#include <functional>
#include <string>

class QWidget;

// Every message box of the program goes through here: the application's title,
// a warning icon and one OK button, or for a question Yes and No. Tests
// replace the shower and the asker to read the texts and answer without a
// modal dialog.
class MessageBoxSeam {
public:
    using Shower = std::function<void(QWidget* parent, const std::string& text)>;

    static void Show(QWidget* parent, const std::string& text);
    // An empty function restores the real message box.
    static void SetShower(Shower shower);

    using Asker = std::function<bool(QWidget* parent, const std::string& question)>;

    // True for Yes; No is the default answer.
    static bool Ask(QWidget* parent, const std::string& question);
    // An empty function restores the real question box.
    static void SetAsker(Asker asker);
};
