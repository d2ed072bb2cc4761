#include "system/ClubLogFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "race/Race.h"
#include "settings/TextEncoding.h"
#include "base/DurableFile.h"

namespace zk {

std::string LogBytes(const std::string& utf8) {
    if (auto b = Utf8ToCp1252(utf8)) return *b;
    std::string o;
    size_t i = 0;
    while (i < utf8.size()) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
        if (i + n > utf8.size()) n = 1;
        auto b = Utf8ToCp1252(std::string_view(utf8).substr(i, n));
        o += b ? *b : std::string("?");
        i += n;
    }
    return o;
}

std::string ClubLogFehlerText(const std::string& path) {
    return "Das Rennprotokoll \"" + path + "\" kann nicht geschrieben werden. Das Rennen geht weiter.";
}

void ClubLogFile::Fehler() {
    if (gemeldet_) return;
    gemeldet_ = true;
    sys_.ui().ShowMessage(ClubLogFehlerText(Path()), "Rennprotokoll", MessageIcon::Warning);
}

void ClubLogFile::Kopf(const std::string& text) {
    gemeldet_ = false;
    gescheitert_ = true;  // until the new log stands
    if (dir_.empty()) return;
    const std::string path = Path();
    // The previous race's log stays, under the time it was last written; the
    // move never replaces a file of that name.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        std::tm tm{};
        const std::time_t t = st.st_mtime;
        localtime_r(&t, &tm);
        char stamp[32];
        std::strftime(stamp, sizeof stamp, "%Y-%m-%d_%H-%M-%S", &tm);
        bool kept = false;
        for (int n = 1; n < 1000 && !kept; ++n) {
            const std::string alt =
                dir_ + "/Logfile_" + stamp + (n == 1 ? std::string() : "_" + std::to_string(n)) + ".txt";
            if (::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, alt.c_str(), RENAME_NOREPLACE) == 0) {
                kept = true;
            } else if (errno == EINVAL) {
                // A file system without the exclusive rename: link, then unlink.
                kept = ::link(path.c_str(), alt.c_str()) == 0 && ::unlink(path.c_str()) == 0;
                if (!kept && errno != EEXIST) break;
            } else if (errno != EEXIST) {
                break;
            }
        }
        if (!kept) {
            Fehler();
            return;  // never overwrite a log that could not be kept, nor append to it
        }
    }
    std::string why;
    if (!DurableReplace(path, LogBytes(text), &why)) {
        Fehler();
        return;
    }
    gescheitert_ = false;
}

void ClubLogFile::Turn(const std::string& text) {
    if (dir_.empty() || gescheitert_) return;
    const std::string bytes = LogBytes(text);
    const int fd = ::open(Path().c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0644);
    if (fd < 0) {
        Fehler();
        return;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        Fehler();
        return;
    }
    // A heat block is whole or absent: one that could not be written to the end
    // (full disk) is cut off again.
    const off_t before = st.st_size;
    if (!WriteAll(fd, bytes) || ::fsync(fd) != 0) {
        if (::ftruncate(fd, before) == 0) ::fsync(fd);
        ::close(fd);
        Fehler();
        return;
    }
    if (::close(fd) != 0) Fehler();
}

}  // namespace zk
