// The two text encodings a settings file can be in: UTF-8 (files this program
// creates) and Windows-1252 (files written by the Windows program, where "Länge"
// and "S1Grün" are single-byte umlauts).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace zk {

// True when the bytes are well-formed UTF-8 (pure ASCII is).
bool IsValidUtf8(std::string_view bytes);

// Windows-1252 to UTF-8. Every byte maps to one character (the five bytes the
// code page leaves undefined map to the C1 control with the same number), so the
// conversion back gives the same bytes.
std::string Cp1252ToUtf8(std::string_view bytes);

// UTF-8 to Windows-1252; nullopt when a character has no Windows-1252 byte.
std::optional<std::string> Utf8ToCp1252(std::string_view utf8);

// The first `maxChars` characters of a UTF-8 text (cut at a character boundary).
std::string Utf8Prefix(std::string_view utf8, size_t maxChars);

}  // namespace zk
