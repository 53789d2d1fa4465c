// The helper's reading of the program's request: whatever the bytes, a
// request it takes is one it can act on and reads back the same.
#include "preview/HelperRequest.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::optional<HelperRequest> request = HelperRequest::Parse(std::span(data, size));
    if (!request)
        return 0;
    if (request->nBoxWidth < 1 || request->nBoxWidth > HelperRequest::kMaxBox || request->nBoxHeight < 1 ||
        request->nBoxHeight > HelperRequest::kMaxBox || request->kind < HelperRequest::Kind::Asf ||
        request->kind > HelperRequest::Kind::Bmp)
        std::abort();
    const auto bytes = request->Encode();
    if (size != bytes.size() || std::memcmp(bytes.data(), data, size) != 0)
        std::abort();
    return 0;
}
