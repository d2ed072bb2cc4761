// Helpers of the settings tests: a scratch directory, whole-file read/write and a
// UI recorder.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/UiPort.h"

namespace zk::test {

class TempDir {
public:
    explicit TempDir(const std::string& prefix = "zk-settings") {
        std::string tmpl = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
        path_ = ::mkdtemp(tmpl.data());
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }
    // Names of the entries in the directory.
    std::vector<std::string> Entries() const { return EntriesOf(path_); }
    static std::vector<std::string> EntriesOf(const std::string& dir) {
        std::vector<std::string> out;
        for (const auto& e : std::filesystem::directory_iterator(dir)) out.push_back(e.path().filename().string());
        return out;
    }

private:
    std::string path_;
};

inline std::string ReadBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f << bytes;
}

inline std::string SourcePath(const std::string& rel) { return std::string(ZK_SOURCE_DIR) + "/" + rel; }

struct UiRecorder : UiPort {
    struct Msg {
        std::string text, caption;
        MessageIcon icon;
    };
    std::vector<Msg> messages;
    std::vector<std::string> opened, closed;
    void ShowMessage(const std::string& t, const std::string& c, MessageIcon i) override { messages.push_back({t, c, i}); }
    void OpenWindow(Fenster f) override { opened.push_back(std::string(FensterName(f))); }
    void CloseWindow(Fenster f) override { closed.push_back(std::string(FensterName(f))); }
};

}  // namespace zk::test
