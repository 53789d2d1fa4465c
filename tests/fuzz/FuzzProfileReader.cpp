// A whole INI file's content, then lookups: names the program really asks for
// and one taken from the input.
// Input: section "\\_" key "\\_" content (a random-length string of the data
// provider ends at a backslash followed by any other character).
#include "platform/ProfileReader.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const std::string section = input.ConsumeRandomLengthString(40);
    const std::string key = input.ConsumeRandomLengthString(40);
    const std::string content = input.ConsumeRemainingBytesAsString();

    for (const auto& [s, k] : {std::pair<std::string_view, std::string_view>{"Directory", "Recording"},
                               {"Device1", "LocalID"},
                               {section, key}}) {
        const std::string value = ProfileLookup(content, s, k);
        if (value.size() > kMaxProfileValue)
            std::abort();
        // A value is a piece of one line of the file.
        if (value.find_first_of("\r\n") != std::string::npos)
            std::abort();
    }
    return 0;
}
