// zirkato-sim: replays a race scenario through the real tick and cycle code and
// prints the trace. Usage: zirkato-sim SCENARIO
#include <iostream>
#include <string>

#include "sim/Scenario.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: zirkato-sim SCENARIO\n";
        return 2;
    }
    const std::string path = argv[1];
    std::string text, why;
    if (!zk::ReadScenarioFile(path, text, why)) {
        std::cerr << "zirkato-sim: " << path << ": cannot read: " << why << '\n';
        return 2;
    }
    zk::Scenario sc;
    const auto slash = path.find_last_of('/');
    sc.baseDir = slash == std::string::npos ? "." : path.substr(0, slash);
    zk::ScenarioError err;
    if (!zk::ParseScenario(text, sc, err) || !zk::RunScenario(sc, std::cout, err)) {
        std::cerr << "zirkato-sim: " << path << ":" << err.line << ": " << err.message << '\n';
        return 2;
    }
    return 0;
}
