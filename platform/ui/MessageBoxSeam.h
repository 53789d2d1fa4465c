#pragma once

#include <functional>
#include <string>

class QWidget;

// Every message box of the program goes through here: the application's title,
// a warning icon and one OK button. Tests replace the shower to count and read
// the messages without a modal dialog.
class MessageBoxSeam {
public:
    using Shower = std::function<void(QWidget* parent, const std::string& text)>;

    static void Show(QWidget* parent, const std::string& text);
    // An empty function restores the real message box.
    static void SetShower(Shower shower);
};
