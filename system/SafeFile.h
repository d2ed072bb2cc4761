// Crash-safe replacement of a whole file: the content goes to a temporary file
// beside the target, is flushed to disk and then renamed over the target, so the
// target is always either the old or the new file, never a half-written one.
#pragma once

#include <functional>
#include <string>

namespace zk {

// Writes `content` as `path`. Returns false with the reason (German) in `error`.
bool ReplaceFile(const std::string& path, const std::string& content, std::string* error);

// The same for a writer that fills the temporary file itself (a library that
// writes by file name): `write` gets the temporary path and returns false, with
// its reason, when it failed. The temporary file never stays behind.
bool ReplaceFileBy(const std::string& path, const std::function<bool(const std::string& tmp, std::string* why)>& write,
                   std::string* error);

}  // namespace zk
