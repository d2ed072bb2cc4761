#include "system/ClubLogFile.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "race/Race.h"
#include "settings/TextEncoding.h"
#include "system/SafeFile.h"

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
    if (dir_.empty()) return;
    const std::string path = Path();
    // The previous race's log stays, under the time it was last written.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        std::tm tm{};
        const std::time_t t = st.st_mtime;
        localtime_r(&t, &tm);
        char stamp[32];
        std::strftime(stamp, sizeof stamp, "%Y-%m-%d_%H-%M-%S", &tm);
        std::string alt = dir_ + "/Logfile_" + stamp + ".txt";
        for (int n = 2; ::access(alt.c_str(), F_OK) == 0; ++n)
            alt = dir_ + "/Logfile_" + stamp + "_" + std::to_string(n) + ".txt";
        if (::rename(path.c_str(), alt.c_str()) != 0) {
            Fehler();
            return;  // never overwrite a log that could not be kept
        }
    }
    std::string why;
    if (!ReplaceFile(path, LogBytes(text), &why)) Fehler();
}

void ClubLogFile::Turn(const std::string& text) {
    if (dir_.empty()) return;
    const std::string bytes = LogBytes(text);
    const int fd = ::open(Path().c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        Fehler();
        return;
    }
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            Fehler();
            ::close(fd);
            return;
        }
        done += static_cast<size_t>(n);
    }
    if (::fsync(fd) != 0) Fehler();
    if (::close(fd) != 0) Fehler();
}

}  // namespace zk
