#pragma once

#include <functional>
#include <string>

class QWidget;

// Every message box of the program goes through here: the application's title,
// a warning icon and one OK button, or for a question a button that does what
// it asks and one that does not. Tests replace the shower and the asker to
// read the texts and answer without a modal dialog.
class MessageBoxSeam {
public:
    using Shower = std::function<void(QWidget* parent, const std::string& text)>;

    static void Show(QWidget* parent, const std::string& text);
    // An empty function restores the real message box.
    static void SetShower(Shower shower);

    // The buttons name what they do, so that the answer needs no reading of
    // the question.
    struct Question {
        std::string strText;
        std::string strYes = "Yes";
        std::string strNo = "No";
    };
    using Asker = std::function<bool(QWidget* parent, const Question& question)>;

    // True for the Yes button; the No button is the default answer, and
    // Escape's.
    static bool Ask(QWidget* parent, const Question& question);
    // An empty function restores the real question box.
    static void SetAsker(Asker asker);
};
