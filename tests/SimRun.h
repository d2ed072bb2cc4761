// Runs the built zirkato-sim on a scenario file or text and returns its exit
// status and everything it printed (trace and errors).
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace zk::test {

struct SimRun {
    int status;
    std::string out;
};

// `options` go before the scenario, as given (e.g. "--data-dir '/tmp/x'").
inline SimRun RunSimOn(const std::string& path, const std::string& options = "") {
    const std::string cmd = std::string(ZK_SIM_BIN) + " " + options + " '" + path + "' 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    std::string out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    const int rc = pclose(p);
    return {WEXITSTATUS(rc), out};
}

// Writes `scenario` to a temporary file called `name` and runs it.
inline SimRun RunSim(const std::string& scenario, const std::string& name) {
    const std::string path = ::testing::TempDir() + name;
    std::ofstream(path) << scenario;
    return RunSimOn(path);
}

}  // namespace zk::test
