#include "platform/Console.h"

#include <csignal>
#include <unistd.h>

namespace Console {

void Prepare()
{ }

void SurviveClosedReaders()
{
    std::signal(SIGPIPE, SIG_IGN);
}

std::vector<std::string> Arguments(int argc, char** argv)
{
    return std::vector<std::string>(argv, argv + argc);
}

bool IsTerminal(std::FILE* stream)
{
    return ::isatty(::fileno(stream)) != 0;
}

} // namespace Console
