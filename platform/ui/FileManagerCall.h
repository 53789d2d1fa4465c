#pragma once

#include <functional>
#include <string>
#include <vector>

// The freedesktop file-manager interface (org.freedesktop.FileManager1) on
// the session bus, which the desktop's file manager answers.
class FileManagerCall {
public:
    // Asks the file manager to show the files, selected in their folder, and
    // returns at once; done(true) follows on the calling thread when it has
    // answered, done(false) when there is no session bus, nothing answers
    // within timeoutMs or the call fails.
    static void ShowItems(const std::vector<std::string>& paths, int timeoutMs, std::function<void(bool shown)> done);
};
