#pragma once

#include <sys/types.h>

// The confinement a decoding helper puts itself in before it reads a byte of
// the file it was handed. Everything here is one-way: nothing lets go again.
// HelperSandbox.cpp is the Linux half; on Windows (win/HelperSandbox.cpp) the
// limits are the job's the program starts the helper in, DieWithParent checks
// that it is in one, and ConfineTo takes the process mitigation policies that
// need no administrator rights.
namespace HelperSandbox {

// Dies with the thread that started it; false when that parent is already
// gone (the helper then has no one to answer).
bool DieWithParent(pid_t parent);

// At most cpuSeconds more of CPU time (then SIGXCPU, a second later SIGKILL),
// an address space of addressSpaceBytes (not under AddressSanitizer, which
// reserves terabytes of shadow), no file to write and no core dump.
bool LimitResources(unsigned cpuSeconds, unsigned long addressSpaceBytes);

// A seccomp filter that kills the process on any system call decoding does
// not need: reading and seeking the descriptors it has, writing to answerFd
// only, memory that is never executable, futexes, the clock and exiting.
// No open, no socket, no exec, no fork.
bool ConfineTo(int answerFd);

} // namespace HelperSandbox
