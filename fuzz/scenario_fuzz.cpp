// Fuzz target: the scenario parser of zirkato-sim, and short runs of what it
// accepts.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "sim/Scenario.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    zk::Scenario sc;
    zk::ScenarioError err;
    if (!zk::ParseScenario(text, sc, err)) return 0;
    // Running is the expensive part: only short scenarios, and no settings files
    // from disk.
    if (sc.endMs > 3000) return 0;
    for (const auto& w : sc.settings)
        if (w[0] == "ini") return 0;
    std::ostringstream trace;
    zk::RunScenario(sc, trace, err);
    return 0;
}
