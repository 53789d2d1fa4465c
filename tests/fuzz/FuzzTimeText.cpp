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

    // Beyond 2038, and wide enough that every seed lies inside it: outside its
    // span the table only guesses the offset, as closely as a range test needs.
    static const CTime from(2005, 1, 1, 0, 0, 0), to(2100, 1, 1, 0, 0, 0);
    static const LocalZone times(from, to);
    CTime start, end;
    if (times.RecordTimes(text, text, start, end) && start >= from && start <= to) {
        // A time that parses formats back to a text that parses to itself.
        const auto again = times.ParseRecordTime(FormatRecordTime(start));
        if (!again || *again != start || end != start || !IsInSearchRange(start, *again, start))
            std::abort();
    }
    return 0;
}
