#pragma once

// The calling thread as the system sees it.
namespace ThisThread {

// Shown by debuggers and process lists; cut to what the system keeps.
void SetName(const char* name);
// Runs the thread, and the threads it starts after, below the priority of
// the rest of the process, so that the window is served first. (On Windows,
// where threads do not inherit a priority, the calling thread only.)
void RunInBackground();

} // namespace ThisThread
