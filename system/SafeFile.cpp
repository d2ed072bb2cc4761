#include "system/SafeFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace zk {

namespace {

std::string DirOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string TempName(const std::string& path) {
    const auto slash = path.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    return dir + "." + base + ".tmp-" + std::to_string(::getpid());
}

bool SyncPath(const std::string& p, int flags) {
    const int fd = ::open(p.c_str(), flags | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

// Flushes the temporary file, renames it over the target and flushes the folder.
bool Commit(const std::string& tmp, const std::string& path, std::string* error) {
    if (!SyncPath(tmp, O_RDONLY) || ::rename(tmp.c_str(), path.c_str()) != 0) {
        if (error) *error = std::strerror(errno);
        ::unlink(tmp.c_str());
        return false;
    }
    SyncPath(DirOf(path), O_RDONLY | O_DIRECTORY);
    return true;
}

}  // namespace

bool ReplaceFile(const std::string& path, const std::string& content, std::string* error) {
    return ReplaceFileBy(
        path,
        [&content](const std::string& tmp, std::string* why) {
            const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            if (fd < 0) {
                *why = std::strerror(errno);
                return false;
            }
            size_t done = 0;
            while (done < content.size()) {
                const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
                if (n < 0 && errno == EINTR) continue;
                if (n <= 0) {
                    *why = std::strerror(n < 0 ? errno : ENOSPC);
                    ::close(fd);
                    return false;
                }
                done += static_cast<size_t>(n);
            }
            if (::close(fd) != 0) {
                *why = std::strerror(errno);
                return false;
            }
            return true;
        },
        error);
}

bool ReplaceFileBy(const std::string& path, const std::function<bool(const std::string&, std::string*)>& write,
                   std::string* error) {
    const std::string tmp = TempName(path);
    std::string why;
    if (!write(tmp, &why)) {
        ::unlink(tmp.c_str());
        if (error) *error = why.empty() ? std::string("Schreibfehler") : why;
        return false;
    }
    return Commit(tmp, path, error);
}

}  // namespace zk
