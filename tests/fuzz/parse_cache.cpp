// The parse-cache decoder over arbitrary bytes: whatever it accepts must be written and read
// back unchanged.

#include "tests/fuzz/FuzzSupport.h"

#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tavrik;
    static const fuzz::ScratchFolder folder;
    const std::filesystem::path& dir = folder.path();
    fuzz::require(writeFileAtomically(ParseCache::url(dir, ParseCache::fileName),
                                      std::string_view(reinterpret_cast<const char*>(data), size)));
    const ParseCache cache = ParseCache::load(dir);
    fuzz::require(cache.version == ParseCache::currentVersion);
    fuzz::require(ParseCache::save(cache, dir) && ParseCache::load(dir) == cache);
    return 0;
}
