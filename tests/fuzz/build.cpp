// Whole builds over a few log files made of arbitrary bytes: a build through the parse cache
// must equal the cold build, and hold finite figures in range.

#include "engine/ParseCache.h"
#include "engine/StatsEngine.h"
#include "tests/fuzz/FuzzSupport.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <fstream>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // A zone with daylight saving, so local days and hours are not just UTC's.
    ::setenv("TZ", "Europe/Berlin", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tavrik;
    static const fuzz::ScratchFolder folder;
    const std::filesystem::path home = folder.path() / "home";
    std::filesystem::remove_all(home);
    const StatsEngine::BuildInputs in{{StatsEngine::claudeRoot(home, std::nullopt)},
                                      StatsEngine::codexRoot(home),
                                      home / "cache",
                                      1'741'608'000};  // 2025-03-10T12:00:00Z

    FuzzedDataProvider input(data, size);
    const int files = input.ConsumeIntegralInRange(1, 3);
    for (int i = 0; i < files; ++i) {
        const bool codex = input.ConsumeBool();
        const auto dir = codex ? in.codexRoot : in.claudeRoots.front() / "p";
        const auto path = dir / ((codex ? "rollout-" : "") + std::to_string(i) + ".jsonl");
        std::filesystem::create_directories(dir);
        std::ofstream(path, std::ios::binary) << input.ConsumeRandomLengthString();
        if (!codex && input.ConsumeBool()) {
            std::filesystem::create_symlink(
                path, in.claudeRoots.front() / ("link" + std::to_string(i) + ".jsonl"));
        }
    }

    const Stats cold = StatsEngine::build(in);
    fuzz::checkStats(cold);
    fuzz::require(StatsEngine::build(in) == cold);
    return 0;
}
