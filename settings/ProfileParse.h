// Value and name rules of the settings file, shared by the file layer, the
// settings object and the command-line tools.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zk {

// Section and key names: compared without regard to case (ASCII and the German
// umlauts in UTF-8), blanks around the name ignored, blanks inside significant.
bool ProfileNameEquals(std::string_view a, std::string_view b);
// A form of a name that is equal for two names exactly when ProfileNameEquals
// holds (for lookups in a hash table).
std::string ProfileNameKey(std::string_view name);

// Removes blanks (space, tab) around a text.
std::string_view TrimBlanks(std::string_view s);

// Integer parse of a profile value: leading blanks skipped, optional sign, decimal
// digits, stop at the first other character. Empty or blank text gives `dflt`;
// text that does not start with a number gives 0. The result saturates at the
// 32-bit range instead of overflowing.
int32_t ParseProfileInt(std::string_view text, int32_t dflt);

// Clamp of a 32-bit profile integer into a 16-bit program variable.
int16_t ClampInt16(int32_t v);

// Rounding of a real value into an integer variable: to the nearest integer,
// halves to even, limited to the variable's range (NaN gives 0).
int16_t RoundToInt16(double v);
uint8_t RoundToByte(double v);

// Leading-number parse of a real value; empty or non-numeric text gives 0. The
// decimal point is "." as the program writes it; a decimal comma (as German
// number formatting writes lane voltages) is read the same way, so "12,5" is
// 12.5 and not 12.
double ParseLeadingReal(std::string_view text);

// A real value with only as many decimals as needed ("12", "12.5"), at most 15
// significant digits.
std::string FormatReal(double v);

}  // namespace zk
