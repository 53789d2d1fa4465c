#pragma once

#include <functional>
#include <string>

class QWidget;

// Every message box of the program goes through here: the application's title,
// a warning icon and one OK button; for news that all went well an
// information icon and a button for what comes next beside OK; or for a
// question a button that does what it asks and one that does not. Tests
// replace the shower, the notifier and the asker to read the texts and
// answer without a modal dialog. The replacement is the whole process's, not
// handed to each object: only the window's thread shows message boxes, and
// a test's stand-in then answers for every object, the ones it does not
// make itself (the sheet's pages, an export's) included.
class MessageBoxSeam {
public:
    using Shower = std::function<void(QWidget* parent, const std::string& text)>;

    static void Show(QWidget* parent, const std::string& text);
    // An empty function restores the real message box.
    static void SetShower(Shower shower);

    struct Notice {
        std::string strText;
        // The button beside OK.
        std::string strAction;
    };
    using Notifier = std::function<bool(QWidget* parent, const Notice& notice)>;

    // True for the action's button; OK is the default answer, and Escape's.
    static bool Notify(QWidget* parent, const Notice& notice);
    // An empty function restores the real message box.
    static void SetNotifier(Notifier notifier);

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
