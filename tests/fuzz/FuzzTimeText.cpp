// Time texts as trailers and rows carry them: parsing, the display form and
// the duration text.
// Input: the text, then 8 bytes (little-endian) of seconds, which the data
// provider takes from the end.
#include "catalog/LocalZone.h"
#include "catalog/RecordingNames.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    ::setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    ::tzset();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const std::int64_t seconds = input.ConsumeIntegral<std::int64_t>();
    const std::string text = input.ConsumeRemainingBytesAsString();

    if (FormatDuration(seconds).size() != 5)
        std::abort();
    (void)ToDisplayTime(text);
    // The same bytes as a file name and as a category text.
    if (CategoryFromTypeCode(text).empty() || CategoryFolder(CategoryFromTypeCode(text)).empty())
        std::abort();
    (void)CategoryFolder(text);

    static const LocalZone times(CTime(2005, 1, 1, 0, 0, 0), CTime(2040, 1, 1, 0, 0, 0));
    CTime start, end;
    if (times.RecordTimes(text, text, start, end)) {
        // A time that parses formats back to a text that parses to itself.
        const auto again = times.ParseRecordTime(FormatRecordTime(start));
        if (!again || *again != start || end != start || !IsInSearchRange(start, *again, start))
            std::abort();
    }
    return 0;
}
