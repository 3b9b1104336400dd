// The transcript reader over arbitrary bytes.

#include "engine/ReadScratch.h"
#include "engine/StatsEngine.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static tavrik::ReadScratch scratch;  // reused from file to file, as a build does
    const std::string& file = tavrik::fuzz::memFile(data, size);
    tavrik::fuzz::checkContribution(tavrik::StatsEngine::parseClaudeFile(file, scratch), size);
    return 0;
}
