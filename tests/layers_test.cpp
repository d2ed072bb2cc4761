// The core folders are layers: a file includes only its own folder and the
// folders below it. This test reads every source file and names each include
// that climbs upwards.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// Bottom to top. ui, sim and tools sit side by side on top of the core.
const std::map<std::string, int> kLayer = {
    {"base", 0},   {"devices", 1}, {"tick", 2}, {"settings", 3}, {"race", 4},
    {"system", 5}, {"ui", 6},      {"sim", 6},  {"tools", 7},
};

std::vector<std::string> UpwardIncludes(const fs::path& root) {
    std::vector<std::string> found;
    const std::regex include(R"re(^\s*#\s*include\s*"([a-z]+)/)re");
    for (const auto& [folder, level] : kLayer) {
        if (!fs::exists(root / folder)) continue;
        for (const auto& e : fs::recursive_directory_iterator(root / folder)) {
            const auto ext = e.path().extension();
            if (ext != ".h" && ext != ".cpp") continue;
            std::ifstream in(e.path());
            std::string line;
            int n = 0;
            while (std::getline(in, line)) {
                ++n;
                std::smatch m;
                if (!std::regex_search(line, m, include)) continue;
                const auto it = kLayer.find(m[1].str());
                // ui and sim do not include each other either.
                const bool sideways = it != kLayer.end() && it->second == level && it->first != folder;
                if (it != kLayer.end() && (it->second > level || sideways))
                    found.push_back(fs::relative(e.path(), root).string() + ":" + std::to_string(n) + ": " + line);
            }
        }
    }
    return found;
}

TEST(Layers, NoFileIncludesALayerAboveItsOwn) {
    const auto found = UpwardIncludes(ZK_SOURCE_DIR);
    std::string all;
    for (const auto& f : found) all += f + "\n";
    EXPECT_TRUE(found.empty()) << all;
}

TEST(Layers, TheCheckSeesAnUpwardInclude) {
    const fs::path root = fs::temp_directory_path() / ("zk-layers-" + std::to_string(::getpid()));
    fs::create_directories(root / "tick");
    fs::create_directories(root / "race");
    std::ofstream(root / "tick" / "A.cpp") << "#include \"tick/B.h\"\n#include \"race/Race.h\"\n";
    std::ofstream(root / "race" / "C.cpp") << "#include \"tick/A.h\"\n";
    const auto found = UpwardIncludes(root);
    fs::remove_all(root);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_NE(found[0].find("tick/A.cpp:2"), std::string::npos);
}

}  // namespace
