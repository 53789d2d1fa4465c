#pragma once

#include <cstdio>
#include <string>
#include <vector>

// What a command-line program needs of the system around it.
namespace Console {

// Sets the process up for writing text, first thing in main: on Windows the
// standard output and error write their bytes as they are (lines end in LF,
// as on Linux), and a console shows them as UTF-8 and understands the escape
// sequences that rewrite a line. Nothing to do on Linux.
void Prepare();

// A reader that goes away (head) makes writes fail instead of ending the
// process (on Windows it always does).
void SurviveClosedReaders();

// The command line as UTF-8, the program's name first (on Windows from the
// system's UTF-16 command line, not the code page's argv).
std::vector<std::string> Arguments(int argc, char** argv);

// Whether stream is shown on a terminal (a console on Windows).
bool IsTerminal(std::FILE* stream);

} // namespace Console
