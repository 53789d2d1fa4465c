#include "platform/SystemErrorText.h"

#include <cstring>

std::string SystemErrorText(int error)
{
    char buffer[256];
    // The GNU form: it returns the text, which need not be in the buffer.
    return ::strerror_r(error, buffer, sizeof buffer);
}
