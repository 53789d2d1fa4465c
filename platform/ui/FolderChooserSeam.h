#pragma once

#include <functional>
#include <optional>
#include <string>

class QWidget;

// Where the program asks the user for a folder: a folder chooser that also
// takes a path typed into it and Return. Tests hand the objects that ask a
// chooser of their own, which answers without a modal dialog.
class FolderChooserSeam {
public:
    using Chooser =
        std::function<std::optional<std::string>(QWidget* parent, const std::string& title, const std::string& start)>;

    // The desktop's chooser: the chosen folder, or nothing when the user
    // cancelled.
    static std::optional<std::string> Choose(QWidget* parent, const std::string& title, const std::string& start);
};
