// Crash-safe writing of whole files, the one way every file of the program is
// written.
//
// Replace: the new content goes to a temporary file beside the target, created
// exclusively (".NAME.tmp-PID-N"), is flushed to disk and renamed over the
// target; the directory is flushed too. The target is always the old or the new
// file, never a torn one. A symbolic link is written through (the file it names
// is replaced, the link stays) and an existing file keeps its permissions.
//
// Create: writes a file that never replaces an existing one. All parts of a
// group (a result's table and page) are written and flushed as temporaries
// first and then linked under the first name free for all of them, so the parts
// always share one name. A kill between two links leaves a finished temporary
// that the next start links in place (FinishOrRemoveStaleTemporaries).
//
// Temporaries carry the writer's process id, so a later start can tell the
// leftovers of a killed process from the files of one that still writes.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace zk {

// The folder of a path ("." without one, "/" for the root) and its last part.
std::string DirOf(const std::string& path);
std::string BaseOf(const std::string& path);

// File-system calls of a write, replaceable so tests can make a step fail.
class DurableFileOps {
public:
    virtual ~DurableFileOps() = default;
    virtual ssize_t Write(int fd, const void* buf, size_t n);
    virtual int Fsync(int fd);
    virtual int Rename(const char* from, const char* to);
};

// German reason for a failed file operation; `reading` tells which permission
// was missing.
std::string FileErrorText(int err, bool reading = false);

// Fills the open temporary file `fd` (path `tmp`); returns false with a German
// reason in `why`. A writer that can only write by file name (a library) may
// rewrite `tmp` itself; it must not remove or rename it.
using DurableWriter = std::function<bool(int fd, const std::string& tmp, std::string* why)>;

// Writes all of `bytes` to `fd` through `ops` (nullptr: the system's calls).
// False with errno set (ENOSPC for a write that wrote nothing).
bool WriteAll(int fd, std::string_view bytes, DurableFileOps* ops = nullptr);

// Follows a chain of symbolic links at the last component of `path` to the name
// it ends at, which need not exist yet. False (errno ELOOP) for a loop.
bool FollowLinks(const std::string& path, std::string& target);

// Replaces `path` by `bytes`. False with the German reason in `error`; the file
// on disk is then unchanged and no temporary stays behind.
bool DurableReplace(const std::string& path, std::string_view bytes, std::string* error,
                    DurableFileOps* ops = nullptr);
bool DurableReplaceBy(const std::string& path, const DurableWriter& write, std::string* error,
                      DurableFileOps* ops = nullptr);

struct DurablePart {
    std::string ext;      // ".csv"
    DurableWriter write;  // fills the part
};
// A writer for fixed content.
DurableWriter BytesWriter(std::string bytes);

// Creates DIR/NAME+EXT for every part, NAME being STEM, STEM_2, ... STEM_999:
// the first name under which none of the parts exists. Never replaces a file.
// Returns DIR/NAME (without extension), or "" with the German reason in `error`.
std::string DurableCreate(const std::string& dir, const std::string& stem, const std::vector<DurablePart>& parts,
                          std::string* error);

// The process id in the name of a temporary of this module (".NAME.tmp-PID-N";
// also the older ".NAME.tmp-PID" and ".NAME.tmpPID"), or 0 when `name` is none.
// `target` receives NAME.
pid_t TemporaryOwner(std::string_view name, std::string* target = nullptr);

// Removes the temporaries in `dir` whose process no longer runs; with `only`
// just those of that file name. Returns the count.
int RemoveStaleTemporaries(const std::string& dir, const std::string& only = {});

// The same for a folder of groups written by DurableCreate: a dead process's
// temporary whose file is missing while a file of the same name with one of
// `groupExts` exists is linked in place (the group was complete on disk but
// for that link); every other one is removed. Returns the count of both.
int FinishOrRemoveStaleTemporaries(const std::string& dir, const std::vector<std::string>& groupExts);

}  // namespace zk
