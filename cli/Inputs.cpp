#include "cli/Inputs.h"

#include "engine/Environment.h"
#include "prefs/Prefs.h"

namespace tavrik::cli {

StatsEngine::BuildInputs userInputs(const std::optional<std::filesystem::path>& dir) {
    auto inputs = Environment::buildInputs(dir);
    if (!dir && Prefs::boolean(Prefs::Key::keepHistory)) {
        inputs.historyDir = Environment::historyDir();
    }
    return inputs;
}

}  // namespace tavrik::cli
