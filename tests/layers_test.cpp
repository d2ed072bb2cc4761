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

// Bottom to top. web sits on the core; ui and sim side by side on top of it,
// then the tools.
const std::map<std::string, int> kLayer = {
    {"base", 0},   {"devices", 1}, {"tick", 2}, {"settings", 3}, {"race", 4},
    {"system", 5}, {"web", 6},     {"ui", 7},   {"sim", 7},      {"tools", 8},
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

// The words the tick writes. Outside tick/ nothing may write them: the UI
// thread asks the tick through its requests. The one hand-over in both
// directions, the evaluation clearing RundeOffen, is the exception.
std::vector<std::string> WritesToTickWords(const fs::path& root) {
    const std::regex write(
        R"re(\b(SperreBis|ImPuls|PulsLaenge|PulsGemeldet|AktivAbtastungen|InaktivAbtastungen|FehlstartZahl|)re"
        R"re(Erfasst|NachlaufStatus|NachlaufRest|SimSpur|SimTakt|SimEingang|GelbDruck|ChaosLosgelassen|GelbTaste|)re"
        R"re(ChaosTaste|AktZeit|Eingang|Durchfahrt|TickMaxAbstand|TickZaehler|TickBelegt|RundeOffen|LptSteuer\.ClearBits\(kBus)re"
        R"re(|ResetErledigt|AnfrageSummeGesehen|NachlaufLadenErledigt|NachlaufSollErledigt|SimSweepErledigt|BusFreiErledigt)\b(\[[^\]]*\])?)re"
        R"re(\s*(=[^=]|\+=|-=|\+\+|--))re");
    std::vector<std::string> found;
    for (const char* folder : {"base", "devices", "settings", "race", "system", "ui", "sim", "tools"}) {
        if (!fs::exists(root / folder)) continue;
        for (const auto& e : fs::recursive_directory_iterator(root / folder)) {
            if (e.path().extension() != ".cpp" && e.path().extension() != ".h") continue;
            std::ifstream in(e.path());
            std::string line;
            int n = 0;
            while (std::getline(in, line)) {
                ++n;
                if (!std::regex_search(line, write)) continue;
                if (line.find_first_not_of(" \t") != std::string::npos && line.compare(line.find_first_not_of(" \t"), 2, "//") == 0)
                    continue;
                // The lane record (SpurSatz) has a Durchfahrt of its own.
                if (line.find("r.Durchfahrt") != std::string::npos || line.find("int32_t Durchfahrt") != std::string::npos)
                    continue;
                if (line.find("RundeOffen[lane] = false") != std::string::npos &&
                    e.path().filename() == "InterneZeit.cpp")
                    continue;
                found.push_back(fs::relative(e.path(), root).string() + ":" + std::to_string(n) + ": " + line);
            }
        }
    }
    return found;
}

TEST(Layers, OnlyTheTickWritesTheWordsTheTickWrites) {
    const auto found = WritesToTickWords(ZK_SOURCE_DIR);
    std::string all;
    for (const auto& f : found) all += f + "\n";
    EXPECT_TRUE(found.empty()) << all;

    const fs::path root = fs::temp_directory_path() / ("zk-tickwords-" + std::to_string(::getpid()));
    fs::create_directories(root / "race");
    std::ofstream(root / "race" / "A.cpp") << "s.Runden = 1;\ns.SperreBis[l] = 0;\nif (s.NachlaufRest == 0) {}\n";
    const auto seen = WritesToTickWords(root);
    fs::remove_all(root);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_NE(seen[0].find("A.cpp:2"), std::string::npos);
}

}  // namespace
