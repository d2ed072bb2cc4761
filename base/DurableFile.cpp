#include "base/DurableFile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zk {

std::string DirOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string BaseOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

namespace {

DurableFileOps gSystemOps;  // stateless: the system's calls

// Distinguishes the temporaries of several writes of one process.
std::atomic<unsigned> gTempCounter{0};

bool AllDigits(std::string_view s) {
    return !s.empty() && s.size() <= 9 && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

void SyncDir(const std::string& dir) {
    if (const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 || errno != ENOENT;
}

bool Dead(pid_t pid) { return pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH; }

// Creates a new temporary for the file DIR/NAME exclusively; -1 with errno set.
int OpenTemporary(const std::string& dir, const std::string& name, std::string& tmp) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        tmp = dir + "/." + name + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(gTempCounter++);
        const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

// Writes one temporary to the end: filled, flushed and closed. False with the
// reason in `error`; the temporary is then removed.
bool FillTemporary(int fd, const std::string& tmp, const DurableWriter& write, const struct stat* keep,
                   DurableFileOps* ops, std::string* error) {
    std::string why;
    bool ok = write(fd, tmp, &why);
    int err = errno;
    if (ok && keep) {
        ::fchmod(fd, keep->st_mode & 07777);
        if (::fchown(fd, keep->st_uid, keep->st_gid) != 0) {
            // Only root may give the file away; the content is what matters.
        }
    }
    if (ok && ops->Fsync(fd) != 0) {
        ok = false;
        err = errno;
        why.clear();
    }
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
        why.clear();
    }
    if (!ok) {
        ::unlink(tmp.c_str());
        if (error) *error = why.empty() ? FileErrorText(err) : why;
    }
    return ok;
}

}  // namespace

ssize_t DurableFileOps::Write(int fd, const void* buf, size_t n) { return ::write(fd, buf, n); }
int DurableFileOps::Fsync(int fd) { return ::fsync(fd); }
int DurableFileOps::Rename(const char* from, const char* to) { return ::rename(from, to); }

std::string FileErrorText(int err, bool reading) {
    switch (err) {
        case EACCES:
        case EPERM:
            return reading ? "keine Leseberechtigung" : "keine Schreibberechtigung";
        case EROFS:
            return "der Datenträger ist schreibgeschützt";
        case ENOSPC:
        case EDQUOT:
            return "der Datenträger ist voll";
        case ENOENT:
        case ENOTDIR:
            return "das Verzeichnis ist nicht vorhanden";
        case EISDIR:
            return "der Name gehört zu einem Verzeichnis";
        case EIO:
            return "Ein-/Ausgabefehler";
        case ELOOP:
            return "zu viele symbolische Verknüpfungen";
        case EEXIST:
            return "der Name ist schon vergeben";
        default:
            return "Systemfehler " + std::to_string(err);
    }
}

bool WriteAll(int fd, std::string_view bytes, DurableFileOps* ops) {
    if (!ops) ops = &gSystemOps;
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ops->Write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = ENOSPC;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

bool FollowLinks(const std::string& path, std::string& target) {
    target = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
        std::string link(PATH_MAX, '\0');
        const ssize_t n = ::readlink(target.c_str(), link.data(), link.size());
        if (n <= 0 || static_cast<size_t>(n) >= link.size()) return true;  // the caller's own call reports it
        link.resize(static_cast<size_t>(n));
        target = link[0] == '/' ? link : DirOf(target) + "/" + link;
    }
    errno = ELOOP;
    return false;
}

DurableWriter BytesWriter(std::string bytes) {
    return [bytes = std::move(bytes)](int fd, const std::string&, std::string* why) {
        if (WriteAll(fd, bytes)) return true;
        *why = FileErrorText(errno);
        return false;
    };
}

bool DurableReplace(const std::string& path, std::string_view bytes, std::string* error, DurableFileOps* ops) {
    if (!ops) ops = &gSystemOps;
    return DurableReplaceBy(
        path,
        [bytes, ops](int fd, const std::string&, std::string* why) {
            if (WriteAll(fd, bytes, ops)) return true;
            *why = FileErrorText(errno);
            return false;
        },
        error, ops);
}

bool DurableReplaceBy(const std::string& path, const DurableWriter& write, std::string* error, DurableFileOps* ops) {
    if (!ops) ops = &gSystemOps;
    auto fail = [error](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    // Through a symbolic link: the temporary goes beside the file the link
    // names and is renamed over it, so the link stays a link.
    std::string target;
    if (!FollowLinks(path, target)) return fail(FileErrorText(errno));
    struct stat old {};
    const bool existed = ::stat(target.c_str(), &old) == 0;
    if (existed && S_ISDIR(old.st_mode)) return fail("der Name gehört zu einem Verzeichnis");
    if (existed && !S_ISREG(old.st_mode)) return fail("keine gewöhnliche Datei (Gerät, Pipe oder Socket)");
    const std::string dir = DirOf(target);
    std::string tmp;
    const int fd = OpenTemporary(dir, BaseOf(target), tmp);
    if (fd < 0) return fail(FileErrorText(errno));
    if (!FillTemporary(fd, tmp, write, existed ? &old : nullptr, ops, error)) return false;
    if (ops->Rename(tmp.c_str(), target.c_str()) != 0) {
        const int err = errno;
        ::unlink(tmp.c_str());
        return fail(FileErrorText(err));
    }
    SyncDir(dir);
    return true;
}

std::string DurableCreate(const std::string& dir, const std::string& stem, const std::vector<DurablePart>& parts,
                          std::string* error) {
    auto fail = [error](const std::string& why) {
        if (error) *error = why;
        return std::string();
    };
    std::vector<std::string> tmps;  // written, under the name tried last
    auto drop = [&tmps] {
        for (const std::string& t : tmps) ::unlink(t.c_str());
    };
    for (int n = 1; n < 1000; ++n) {
        const std::string name = stem + (n == 1 ? "" : "_" + std::to_string(n));
        if (std::any_of(parts.begin(), parts.end(), [&](const DurablePart& p) { return Exists(dir + "/" + name + p.ext); }))
            continue;
        // The temporaries are named after the name they are linked under, so a
        // start after a kill between two links can finish the group.
        if (tmps.empty()) {
            for (const DurablePart& p : parts) {
                std::string tmp;
                const int fd = OpenTemporary(dir, name + p.ext, tmp);
                if (fd < 0) {
                    const int err = errno;
                    drop();
                    return fail(FileErrorText(err));
                }
                if (!FillTemporary(fd, tmp, p.write, nullptr, &gSystemOps, error)) {
                    drop();
                    return {};
                }
                tmps.push_back(tmp);
            }
        } else {
            for (size_t i = 0; i < parts.size(); ++i) {
                std::string renamed;
                const int fd = OpenTemporary(dir, name + parts[i].ext, renamed);
                if (fd >= 0) ::close(fd);
                if (fd < 0 || ::rename(tmps[i].c_str(), renamed.c_str()) != 0) {
                    const int err = errno;
                    if (fd >= 0) ::unlink(renamed.c_str());
                    drop();
                    return fail(FileErrorText(err));
                }
                tmps[i] = renamed;
            }
        }
        // A hard link never replaces a file: a name taken meanwhile (by another
        // process) moves the whole group on to the next name.
        size_t linked = 0;
        int err = 0;
        for (; linked < parts.size(); ++linked) {
            if (::link(tmps[linked].c_str(), (dir + "/" + name + parts[linked].ext).c_str()) != 0) {
                err = errno;
                break;
            }
        }
        if (linked == parts.size()) {
            drop();
            SyncDir(dir);
            return dir + "/" + name;
        }
        for (size_t i = 0; i < linked; ++i) ::unlink((dir + "/" + name + parts[i].ext).c_str());
        if (err != EEXIST) {
            drop();
            return fail(FileErrorText(err));
        }
    }
    drop();
    return fail("kein freier Dateiname für " + stem);
}

pid_t TemporaryOwner(std::string_view name, std::string* target) {
    if (name.size() < 2 || name[0] != '.') return 0;
    const size_t at = name.rfind(".tmp");
    if (at == std::string_view::npos || at < 2) return 0;
    std::string_view rest = name.substr(at + 4);
    if (!rest.empty() && rest[0] == '-') rest.remove_prefix(1);
    const size_t dash = rest.find('-');
    const std::string_view pid = rest.substr(0, dash);
    if (!AllDigits(pid)) return 0;
    if (dash != std::string_view::npos && !AllDigits(rest.substr(dash + 1))) return 0;
    if (target) *target = std::string(name.substr(1, at - 1));
    return static_cast<pid_t>(std::stol(std::string(pid)));
}

namespace {

// Calls `f(fullPath, target)` for every temporary in `dir` whose process is gone.
template <typename F>
int ForStaleTemporaries(const std::string& dir, const std::string& only, F f) {
    DIR* d = ::opendir(dir.c_str());
    if (!d) return 0;
    std::vector<std::pair<std::string, std::string>> found;
    while (const dirent* e = ::readdir(d)) {
        std::string target;
        const pid_t owner = TemporaryOwner(e->d_name, &target);
        // A process that still runs (or that we may not signal) may be writing.
        if (!Dead(owner) || (!only.empty() && target != only)) continue;
        found.emplace_back(dir + "/" + e->d_name, target);
    }
    ::closedir(d);
    int count = 0;
    for (const auto& [full, target] : found) {
        struct stat st {};
        if (::lstat(full.c_str(), &st) == 0 && S_ISREG(st.st_mode) && f(full, target)) ++count;
    }
    if (count > 0) SyncDir(dir);
    return count;
}

}  // namespace

int RemoveStaleTemporaries(const std::string& dir, const std::string& only) {
    return ForStaleTemporaries(dir, only,
                               [](const std::string& full, const std::string&) { return ::unlink(full.c_str()) == 0; });
}

int FinishOrRemoveStaleTemporaries(const std::string& dir, const std::vector<std::string>& groupExts) {
    return ForStaleTemporaries(dir, {}, [&](const std::string& full, const std::string& target) {
        const std::string final = dir + "/" + target;
        if (!Exists(final)) {
            for (const std::string& ext : groupExts) {
                if (target.size() <= ext.size() || target.compare(target.size() - ext.size(), ext.size(), ext) != 0)
                    continue;
                const std::string stem = target.substr(0, target.size() - ext.size());
                const bool sibling = std::any_of(groupExts.begin(), groupExts.end(), [&](const std::string& other) {
                    return other != ext && Exists(dir + "/" + stem + other);
                });
                if (sibling) (void)::link(full.c_str(), final.c_str());
                break;
            }
        }
        return ::unlink(full.c_str()) == 0;
    });
}

}  // namespace zk
