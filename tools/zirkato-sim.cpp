// zirkato-sim: replays a race scenario through the real tick and cycle code and
// prints the trace. Usage: zirkato-sim SCENARIO
#include <fstream>
#include <iostream>
#include <sstream>

#include "sim/Scenario.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: zirkato-sim SCENARIO\n";
        return 2;
    }
    const std::string path = argv[1];
    std::ifstream f(path, std::ios::binary);
    if (!f) {
        std::cerr << "zirkato-sim: cannot read " << path << '\n';
        return 2;
    }
    std::stringstream ss;
    ss << f.rdbuf();
    zk::Scenario sc;
    const auto slash = path.find_last_of('/');
    sc.baseDir = slash == std::string::npos ? "." : path.substr(0, slash);
    zk::ScenarioError err;
    if (!zk::ParseScenario(ss.str(), sc, err) || !zk::RunScenario(sc, std::cout, err)) {
        std::cerr << "zirkato-sim: " << path << ":" << err.line << ": " << err.message << '\n';
        return 2;
    }
    return 0;
}
