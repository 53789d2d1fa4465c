#pragma once

// The window's thread never touches the file system: a call stuck on a
// silent share would freeze the window. The platform's file-system entry
// points say so here; with the check on (the tests turn it on), such a call
// on the thread declared the window's ends the process at once, naming the
// entry point, so that a slip shows in any test that walks that path rather
// than only on a silent share.
class WindowThreadCheck {
public:
    // The calling thread becomes the window's, for as long as the window
    // serves the user.
    static void DeclareWindowThread();
    // No thread is the window's any more (the window has closed).
    static void DeclareNone();
    static void TurnOn();

    // Called by each file-system entry point with its name.
    static void OffTheWindowThread(const char* strEntryPoint);
};
