// The private-profile (INI) layer under the settings file.
//
// ProfileDocument is a settings file in memory as a list of lines. Reading finds a
// key by section and key name (case-insensitive, blanks around a name ignored,
// first occurrence of a section and of a key wins; keys above the first section
// and comment lines never match). Writing changes only the value of the line it
// addresses, or inserts one line, so every other line keeps its bytes, its line
// ending and the file's encoding (UTF-8 or Windows-1252).
//
// ProfileFile ties a document to a path and saves it crash-safely: the new content
// goes to a temporary file in the same directory, is flushed to disk and renamed
// over the old file, which keeps its permissions. A file without a path is a
// document that lives in memory only (the replay tool builds one).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <sys/types.h>
#include <vector>

#include "base/DurableFile.h"

namespace zk {

enum class ProfileEncoding { Utf8, Windows1252 };

class ProfileDocument {
public:
    ProfileDocument() = default;
    explicit ProfileDocument(std::string_view bytes) { SetBytes(bytes); }

    // Replaces the content. A file that is not well-formed UTF-8 is Windows-1252.
    void SetBytes(std::string_view bytes);
    // The content as it would be saved.
    std::string Bytes() const;
    bool Empty() const { return lines_.empty() && !bom_; }
    ProfileEncoding Encoding() const { return enc_; }
    // Counts every change, so a holder can tell whether a save is due.
    uint64_t Generation() const { return generation_; }

    // Value of a key with blanks around it removed, as UTF-8; nullopt when the
    // key or its section is missing.
    std::optional<std::string> Value(std::string_view section, std::string_view key) const;

    // Integer read: the caller's default for a missing key and for an empty value,
    // otherwise the leading-number parse of ParseProfileInt (32-bit).
    int32_t GetInt(std::string_view section, std::string_view key, int32_t dflt) const;

    // Text read into a buffer of `bufferSize` characters: at most bufferSize - 1
    // characters of the value; the default when the key is missing.
    std::string GetString(std::string_view section, std::string_view key, std::string_view dflt,
                          size_t bufferSize) const;

    // Writes one key. Returns false (and changes nothing) for a name the file
    // cannot hold: empty, with a line break, a section name with "]", a key name
    // with "=" or starting with "[" or ";". Line breaks inside the value become
    // blanks. A value equal to the stored one (blanks around ignored) changes
    // nothing.
    bool Set(std::string_view section, std::string_view key, std::string_view value);

    // Names of the keys of a section's first occurrence, in file order.
    std::vector<std::string> Keys(std::string_view section) const;

private:
    enum class Kind { Blank, Comment, Section, Key, Other };
    struct Line {
        std::string raw;  // bytes without the line ending, in the document's encoding
        std::string eol;  // "\r\n", "\n", "\r" or "" (last line without ending)
        Kind kind = Kind::Other;
        std::string name;     // section or key name, trimmed, UTF-8
        size_t valuePos = 0;  // key lines: offset of the value in raw
    };

    void Classify(Line& l) const;
    std::string Decode(std::string_view raw) const;
    // Encodes new text for this document; switches a Windows-1252 document to
    // UTF-8 as a whole when the text has a character Windows-1252 lacks.
    std::string Encode(std::string_view utf8);
    // Index of the first section header of that name, or npos.
    size_t FindSection(std::string_view section) const;
    // Index of the first key line of that name in the section at `sec`, or npos.
    size_t FindKey(size_t sec, std::string_view key) const;
    size_t SectionEnd(size_t sec) const;
    std::string NewlineStyle() const;
    void Touch() { ++generation_; }
    // The lookup index: first occurrence of each section and of each key in it,
    // built on the first lookup after the lines were replaced and kept up to
    // date by inserts, so that reading and writing a file take time linear in
    // its size (an insert in front of indexed lines shifts them: a pass over
    // the index without allocations).
    void BuildIndex() const;
    // Records a line inserted at `at` (into the section whose header is at
    // `section`) in the index; lines the index knows behind it move down.
    void IndexInsert(size_t at, size_t section);

    struct SectionInfo {
        size_t line = 0;          // the header of the first occurrence
        size_t lastNonBlank = 0;  // its last line that is not blank
    };
    mutable std::unordered_map<std::string, SectionInfo> sectionIndex_;
    mutable std::unordered_map<std::string, size_t> keyIndex_;  // "SECTION\nKEY" (name keys) -> line
    mutable bool indexed_ = false;
    mutable size_t indexMax_ = 0;  // the highest line number in the index

    std::vector<Line> lines_;
    bool bom_ = false;
    ProfileEncoding enc_ = ProfileEncoding::Utf8;
    uint64_t generation_ = 0;
};

// File-system calls of a save, replaceable so tests can make a step fail.
using ProfileFileOps = DurableFileOps;

class ProfileFile {
public:
    ProfileFile() = default;  // in memory only
    explicit ProfileFile(std::string path) : path_(std::move(path)) {}
    ProfileFile(const ProfileFile&) = delete;
    ProfileFile& operator=(const ProfileFile&) = delete;

    bool OnDisk() const { return !path_.empty(); }
    const std::string& Path() const { return path_; }
    ProfileDocument& Doc() { return doc_; }
    const ProfileDocument& Doc() const { return doc_; }

    // Reads the file from disk (no-op in memory). A missing file gives an empty
    // document. Returns false when the file exists but cannot be read (no read
    // permission, a directory, a device, FIFO or socket, more than 16 MiB); the
    // document is then empty and Save refuses, so the file cannot be overwritten
    // by a document that never saw its content.
    bool Load();
    // Lets Load read a pipe or character device too (up to the same size), for
    // tools handed a file by a process substitution. The program never does: a
    // FIFO would block it.
    void SetReadsStreams(bool on) { streams_ = on; }
    // Saves the document when it changed since Load or the last Save; when it did
    // not, checks that a save could be made. Returns false with a German reason in
    // Error(); the file on disk is then unchanged. A symbolic link is written
    // through: the file it names is replaced (or created), the link stays.
    bool Save();
    // Removes the temporary files that saves of this file left behind when their
    // process was killed (".NAME.tmp-PID-N" beside the file, PID no longer
    // running). Save calls it; the program calls it at start. Returns the count.
    int RemoveStaleTemporaries();
    // True when the file exists on disk.
    bool Exists() const;
    const std::string& Error() const { return error_; }

    void SetFileOps(ProfileFileOps* ops) { ops_ = ops ? ops : &defaultOps_; }

    // One key written on its own: reads the file afresh and saves at once.
    bool WriteString(std::string_view section, std::string_view key, std::string_view value);

private:
    bool CheckWritable(const std::string& target);

    std::string path_;
    ProfileDocument doc_;
    uint64_t savedGeneration_ = 0;
    bool readable_ = true;
    bool streams_ = false;
    std::string error_;
    ProfileFileOps defaultOps_;
    ProfileFileOps* ops_ = &defaultOps_;
};

}  // namespace zk
