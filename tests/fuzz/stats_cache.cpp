// The stats-cache decoder over arbitrary bytes: whatever it accepts must be written and read
// back unchanged.

#include "tests/fuzz/FuzzSupport.h"

#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tavrik;
    const auto stats = statsFromJson(std::string_view(reinterpret_cast<const char*>(data), size));
    if (stats) {
        const auto json = toJson(*stats);
        fuzz::require(json && statsFromJson(*json) == stats);
    }
    return 0;
}
