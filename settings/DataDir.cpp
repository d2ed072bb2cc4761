#include "settings/DataDir.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zk {

namespace {

// mkdir -p; true when the directory exists afterwards.
bool MakeDirs(const std::string& dir, std::string* error) {
    std::string path;
    size_t pos = 0;
    while (pos <= dir.size()) {
        const size_t slash = dir.find('/', pos);
        const size_t end = slash == std::string::npos ? dir.size() : slash;
        path = dir.substr(0, end);
        if (!path.empty() && ::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) {
            if (error) *error = "Verzeichnis \"" + path + "\" kann nicht angelegt werden: " + std::strerror(errno);
            return false;
        }
        if (slash == std::string::npos) break;
        pos = slash + 1;
    }
    struct stat st {};
    if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        if (error) *error = "\"" + dir + "\" ist kein Verzeichnis";
        return false;
    }
    return true;
}

bool PortableIniWritable(const std::string& exeDir) {
    if (exeDir.empty()) return false;
    const std::string ini = DataPath(exeDir, kIniFileName);
    struct stat st {};
    if (::stat(ini.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || (st.st_mode & 0222) == 0) return false;
    // The file is replaced through a temporary file beside it, so the directory
    // must be writable as well.
    return ::access(ini.c_str(), W_OK) == 0 && ::access(exeDir.c_str(), W_OK) == 0;
}

}  // namespace

std::string DataPath(const std::string& dir, const std::string& name) {
    if (dir.empty()) return name;
    return dir.back() == '/' ? dir + name : dir + "/" + name;
}

std::optional<std::string> DataDirOption(int argc, char** argv, std::string* error) {
    std::optional<std::string> value;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--data-dir") {
            if (i + 1 >= argc || argv[i + 1][0] == '\0') {
                if (error) *error = "--data-dir braucht ein Verzeichnis";
                return std::nullopt;
            }
            value = argv[++i];
        } else if (a.rfind("--data-dir=", 0) == 0) {
            value = a.substr(11);
            if (value->empty()) {
                if (error) *error = "--data-dir braucht ein Verzeichnis";
                return std::nullopt;
            }
        }
    }
    return value;
}

DataDirSources DataDirSourcesOf(int argc, char** argv) {
    DataDirSources s;
    s.option = DataDirOption(argc, argv);
    if (const char* e = std::getenv("ZIRKATO_DATA_DIR"); e && *e) s.env = e;
    if (const char* x = std::getenv("XDG_DATA_HOME"); x && *x) s.xdgDataHome = x;
    if (const char* h = std::getenv("HOME"); h && *h) {
        s.home = h;
    } else if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) {
        s.home = pw->pw_dir;
    }
    char buf[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n > 0) {
        const std::string exe(buf, static_cast<size_t>(n));
        const auto slash = exe.find_last_of('/');
        if (slash != std::string::npos) s.exeDir = slash == 0 ? "/" : exe.substr(0, slash);
    }
    return s;
}

std::string ResolveDataDir(const DataDirSources& src, std::string* error) {
    std::string dir;
    if (src.option && !src.option->empty()) {
        dir = *src.option;
    } else if (src.env && !src.env->empty()) {
        dir = *src.env;
    } else if (PortableIniWritable(src.exeDir)) {
        return src.exeDir;
    } else if (src.xdgDataHome && !src.xdgDataHome->empty() && (*src.xdgDataHome)[0] == '/') {
        // A relative XDG_DATA_HOME is invalid and ignored.
        dir = DataPath(*src.xdgDataHome, "zirkato");
    } else if (!src.home.empty()) {
        dir = DataPath(src.home, ".local/share/zirkato");
    } else {
        if (error) *error = "Kein Datenverzeichnis: weder --data-dir, ZIRKATO_DATA_DIR noch HOME ist gesetzt";
        return {};
    }
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    if (!MakeDirs(dir, error)) return {};
    return dir;
}

std::vector<std::string> SoundDirs(const std::string& dataDir, const std::string& exeDir) {
    std::vector<std::string> dirs;
    if (!dataDir.empty()) dirs.push_back(DataPath(dataDir, kSoundsDirName));
    if (!exeDir.empty()) {
        dirs.push_back(exeDir + "/../share/zirkato/Sounds");
        dirs.push_back(exeDir + "/share/zirkato/Sounds");
    }
    return dirs;
}

}  // namespace zk
