#include "settings/ProfileFile.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "settings/ProfileParse.h"
#include "settings/TextEncoding.h"

namespace zk {

namespace {

constexpr size_t npos = static_cast<size_t>(-1);
constexpr off_t kMaxFileSize = 16 * 1024 * 1024;  // far above any settings file

bool IsBlankChar(char c) { return c == ' ' || c == '\t'; }

// Names and values given by callers are UTF-8; bytes that are not are taken as
// Windows-1252 so that nothing malformed reaches the file.
std::string AsUtf8(std::string_view s) { return IsValidUtf8(s) ? std::string(s) : Cp1252ToUtf8(s); }

bool HasLineBreak(std::string_view s) { return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos; }

std::string ReasonText(int err, bool reading = false) { return FileErrorText(err, reading); }

constexpr const char* kTooLargeText = "die Datei ist zu groß für eine Einstellungsdatei";

// Why a file of this kind is not read as a settings file, or "" when it is.
std::string KindProblem(const struct stat& st, bool streams) {
    if (S_ISDIR(st.st_mode)) return "der Name gehört zu einem Verzeichnis";
    if (S_ISREG(st.st_mode)) return st.st_size > kMaxFileSize ? kTooLargeText : "";
    if (streams && (S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode))) return "";
    return "keine gewöhnliche Datei (Gerät, Pipe oder Socket)";
}

}  // namespace

// ---------------------------------------------------------------- document

void ProfileDocument::SetBytes(std::string_view bytes) {
    lines_.clear();
    bom_ = bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF";
    if (bom_) bytes.remove_prefix(3);
    enc_ = IsValidUtf8(bytes) ? ProfileEncoding::Utf8 : ProfileEncoding::Windows1252;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t i = start;
        while (i < bytes.size() && bytes[i] != '\n' && bytes[i] != '\r') ++i;
        Line l;
        l.raw = std::string(bytes.substr(start, i - start));
        if (i < bytes.size()) {
            const size_t n = (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ? 2 : 1;
            l.eol = std::string(bytes.substr(i, n));
            i += n;
        }
        Classify(l);
        lines_.push_back(std::move(l));
        start = i;
    }
    indexed_ = false;
    Touch();
}

void ProfileDocument::BuildIndex() const {
    sectionIndex_.clear();
    keyIndex_.clear();
    indexMax_ = 0;
    std::string current;
    SectionInfo* info = nullptr;  // null inside a later occurrence of a section
    for (size_t i = 0; i < lines_.size(); ++i) {
        const Line& l = lines_[i];
        if (l.kind == Kind::Section) {
            current = ProfileNameKey(l.name);
            auto [it, first] = sectionIndex_.try_emplace(current, SectionInfo{i, i});
            info = first ? &it->second : nullptr;
            if (first) indexMax_ = i;
        } else if (info && l.kind != Kind::Blank) {
            info->lastNonBlank = i;
            indexMax_ = i;
            if (l.kind == Kind::Key) keyIndex_.try_emplace(current + "\n" + ProfileNameKey(l.name), i);
        }
    }
    indexed_ = true;
}

void ProfileDocument::IndexInsert(size_t at, size_t section) {
    if (!indexed_) return;
    if (at <= indexMax_) {
        // Lines the index knows moved down by one: shifted here, which costs
        // no more than one pass over the index and allocates nothing.
        for (auto& [name, info] : sectionIndex_) {
            if (info.line >= at) ++info.line;
            if (info.lastNonBlank >= at) ++info.lastNonBlank;
        }
        for (auto& [name, line] : keyIndex_)
            if (line >= at) ++line;
        ++indexMax_;
    }
    const std::string sec = ProfileNameKey(lines_[section].name);
    SectionInfo& info = sectionIndex_[sec];
    if (at == section) info = SectionInfo{at, at};
    info.lastNonBlank = at;
    if (lines_[at].kind == Kind::Key) keyIndex_.try_emplace(sec + "\n" + ProfileNameKey(lines_[at].name), at);
    indexMax_ = std::max(indexMax_, at);
}

std::string ProfileDocument::Bytes() const {
    std::string out;
    if (bom_) out = "\xEF\xBB\xBF";
    for (const auto& l : lines_) {
        out += l.raw;
        out += l.eol;
    }
    return out;
}

std::string ProfileDocument::Decode(std::string_view raw) const {
    return enc_ == ProfileEncoding::Utf8 ? std::string(raw) : Cp1252ToUtf8(raw);
}

void ProfileDocument::Classify(Line& l) const {
    const std::string_view s = l.raw;
    size_t i = 0;
    while (i < s.size() && IsBlankChar(s[i])) ++i;
    l.name.clear();
    l.valuePos = 0;
    if (i == s.size()) {
        l.kind = Kind::Blank;
    } else if (s[i] == ';') {
        l.kind = Kind::Comment;
    } else if (s[i] == '[') {
        const size_t close = s.find(']', i + 1);
        if (close == std::string_view::npos) {
            l.kind = Kind::Other;
        } else {
            l.kind = Kind::Section;
            l.name = Decode(TrimBlanks(s.substr(i + 1, close - i - 1)));
        }
    } else if (const size_t eq = s.find('='); eq != std::string_view::npos) {
        l.kind = Kind::Key;
        l.name = Decode(TrimBlanks(s.substr(0, eq)));
        l.valuePos = eq + 1;
    } else {
        l.kind = Kind::Other;
    }
}

std::string ProfileDocument::Encode(std::string_view utf8) {
    if (enc_ == ProfileEncoding::Utf8) return std::string(utf8);
    if (auto b = Utf8ToCp1252(utf8)) return *b;
    // The text needs a character Windows-1252 lacks: the whole document becomes
    // UTF-8 rather than one file holding two encodings.
    for (auto& l : lines_) l.raw = Cp1252ToUtf8(l.raw);
    enc_ = ProfileEncoding::Utf8;
    for (auto& l : lines_) Classify(l);
    return std::string(utf8);
}

size_t ProfileDocument::FindSection(std::string_view section) const {
    if (!indexed_) BuildIndex();
    const auto it = sectionIndex_.find(ProfileNameKey(section));
    return it == sectionIndex_.end() ? npos : it->second.line;
}

size_t ProfileDocument::SectionEnd(size_t sec) const {
    size_t j = sec + 1;
    while (j < lines_.size() && lines_[j].kind != Kind::Section) ++j;
    return j;
}

size_t ProfileDocument::FindKey(size_t sec, std::string_view key) const {
    if (!indexed_) BuildIndex();
    const auto it = keyIndex_.find(ProfileNameKey(lines_[sec].name) + "\n" + ProfileNameKey(key));
    return it == keyIndex_.end() ? npos : it->second;
}

std::string ProfileDocument::NewlineStyle() const {
    for (const auto& l : lines_)
        if (!l.eol.empty()) return l.eol;
    return "\n";
}

std::optional<std::string> ProfileDocument::Value(std::string_view section, std::string_view key) const {
    const std::string sec = AsUtf8(section), k = AsUtf8(key);
    const size_t s = FindSection(sec);
    if (s == npos) return std::nullopt;
    const size_t j = FindKey(s, k);
    if (j == npos) return std::nullopt;
    const Line& l = lines_[j];
    return std::string(TrimBlanks(Decode(std::string_view(l.raw).substr(l.valuePos))));
}

int32_t ProfileDocument::GetInt(std::string_view section, std::string_view key, int32_t dflt) const {
    const auto v = Value(section, key);
    return v ? ParseProfileInt(*v, dflt) : dflt;
}

std::string ProfileDocument::GetString(std::string_view section, std::string_view key, std::string_view dflt,
                                       size_t bufferSize) const {
    if (bufferSize == 0) return {};
    const auto v = Value(section, key);
    return Utf8Prefix(v ? *v : AsUtf8(dflt), bufferSize - 1);
}

std::vector<std::string> ProfileDocument::Keys(std::string_view section) const {
    std::vector<std::string> out;
    const size_t s = FindSection(AsUtf8(section));
    if (s == npos) return out;
    const size_t end = SectionEnd(s);
    for (size_t j = s + 1; j < end; ++j)
        if (lines_[j].kind == Kind::Key) out.push_back(lines_[j].name);
    return out;
}

bool ProfileDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
    const std::string sec(TrimBlanks(AsUtf8(section)));
    const std::string k(TrimBlanks(AsUtf8(key)));
    if (sec.empty() || HasLineBreak(sec) || sec.find(']') != std::string::npos) return false;
    if (k.empty() || HasLineBreak(k) || k.find('=') != std::string::npos || k[0] == '[' || k[0] == ';')
        return false;
    std::string v = AsUtf8(value);
    for (char& c : v)
        if (c == '\r' || c == '\n' || c == '\0') c = ' ';

    const std::string nl = NewlineStyle();
    const size_t s = FindSection(sec);
    if (s == npos) {
        const std::string header = Encode("[" + sec + "]");
        const std::string line = Encode(k + "=" + v);
        if (!lines_.empty() && lines_.back().eol.empty()) lines_.back().eol = nl;
        const size_t at = lines_.size();
        for (const std::string* raw : {&header, &line}) {
            Line l;
            l.raw = *raw;
            l.eol = nl;
            Classify(l);
            lines_.push_back(std::move(l));
        }
        IndexInsert(at, at);
        IndexInsert(at + 1, at);
        Touch();
        return true;
    }
    if (const size_t j = FindKey(s, k); j != npos) {
        if (TrimBlanks(Decode(std::string_view(lines_[j].raw).substr(lines_[j].valuePos))) == TrimBlanks(v))
            return true;
        const std::string enc = Encode(v);  // may re-encode every line, so valuePos is read after it
        Line& l = lines_[j];
        l.raw = l.raw.substr(0, l.valuePos) + enc;
        Touch();
        return true;
    }
    // A new key goes after the last non-blank line of the section, so blank lines
    // that separate it from the next section stay where they are.
    const std::string enc = Encode(k + "=" + v);
    if (!indexed_) BuildIndex();
    const size_t pos = sectionIndex_[ProfileNameKey(lines_[s].name)].lastNonBlank;
    if (lines_[pos].eol.empty()) lines_[pos].eol = nl;
    Line l;
    l.raw = enc;
    l.eol = nl;
    Classify(l);
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(pos + 1), std::move(l));
    IndexInsert(pos + 1, s);
    Touch();
    return true;
}

// ---------------------------------------------------------------- file

bool ProfileFile::Exists() const {
    struct stat st {};
    return OnDisk() && ::stat(path_.c_str(), &st) == 0;
}

bool ProfileFile::Load() {
    error_.clear();
    if (!OnDisk()) return true;
    readable_ = false;
    doc_.SetBytes("");
    savedGeneration_ = doc_.Generation();
    auto refuse = [&](const std::string& why) {
        error_ = why;
        return false;
    };
    // The kind of file is checked before it is opened: opening a FIFO for reading
    // waits for a writer, a device may never end.
    struct stat st {};
    if (::stat(path_.c_str(), &st) != 0) {
        if (errno != ENOENT) return refuse("die Datei kann nicht gelesen werden (" + ReasonText(errno, true) + ")");
        readable_ = true;  // no file yet (or a link to a file still to be created)
        return true;
    }
    if (std::string why = KindProblem(st, streams_); !why.empty()) return refuse(why);
    const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC | (streams_ ? 0 : O_NONBLOCK));
    if (fd < 0) return refuse("die Datei kann nicht gelesen werden (" + ReasonText(errno, true) + ")");
    // The name may have been replaced between stat and open.
    std::string why;
    if (::fstat(fd, &st) != 0) {
        why = "die Datei kann nicht gelesen werden (" + ReasonText(errno, true) + ")";
    } else {
        why = KindProblem(st, streams_);
    }
    std::string bytes;
    char buf[8192];
    while (why.empty()) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            why = "die Datei kann nicht gelesen werden (" + ReasonText(errno, true) + ")";
        } else if (n == 0) {
            break;
        } else {
            bytes.append(buf, static_cast<size_t>(n));
            if (bytes.size() > static_cast<size_t>(kMaxFileSize)) why = kTooLargeText;
        }
    }
    ::close(fd);
    if (!why.empty()) return refuse(why);
    doc_.SetBytes(bytes);
    savedGeneration_ = doc_.Generation();
    readable_ = true;
    return true;
}

bool ProfileFile::CheckWritable(const std::string& target) {
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            error_ = "der Name gehört zu einem Verzeichnis";
            return false;
        }
        if (!S_ISREG(st.st_mode)) {
            error_ = "keine gewöhnliche Datei (Gerät, Pipe oder Socket)";
            return false;
        }
        // A file without any write permission bit counts as read-only even for a
        // user whom the system would let write it (root): the atomic save would
        // otherwise replace it regardless.
        if ((st.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0) {
            error_ = "die Datei ist schreibgeschützt";
            return false;
        }
    } else if (errno != ENOENT) {
        error_ = ReasonText(errno);
        return false;
    }
    if (::access(DirOf(target).c_str(), W_OK) != 0) {
        error_ = ReasonText(errno);
        return false;
    }
    return true;
}

int ProfileFile::RemoveStaleTemporaries() {
    if (!OnDisk()) return 0;
    std::string target;
    if (!FollowLinks(path_, target)) return 0;
    return zk::RemoveStaleTemporaries(DirOf(target), BaseOf(target));
}

bool ProfileFile::Save() {
    error_.clear();
    if (!OnDisk()) {
        savedGeneration_ = doc_.Generation();
        return true;
    }
    if (!readable_) {
        error_ = "die vorhandene Datei konnte nicht gelesen werden und wird nicht überschrieben";
        return false;
    }
    // Write through a symbolic link: the temporary file goes beside the file the
    // link names and is renamed over it, so the link stays a link.
    std::string target;
    if (!FollowLinks(path_, target)) {
        error_ = ReasonText(errno);
        return false;
    }
    if (!CheckWritable(target)) return false;
    if (doc_.Generation() == savedGeneration_) return true;
    RemoveStaleTemporaries();

    if (!DurableReplace(target, doc_.Bytes(), &error_, ops_)) return false;
    savedGeneration_ = doc_.Generation();
    return true;
}

bool ProfileFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    if (!Load()) return false;
    if (!doc_.Set(section, key, value)) {
        error_ = "ungültiger Abschnitts- oder Schlüsselname";
        return false;
    }
    return Save();
}

}  // namespace zk
