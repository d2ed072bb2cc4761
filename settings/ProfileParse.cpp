#include "settings/ProfileParse.h"

#include <charconv>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace zk {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Folds one character (or a two-byte UTF-8 umlaut) at s[i] to lower case and
// advances i. Returns a code that compares equal for both cases.
uint32_t FoldAt(std::string_view s, size_t& i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c == 0xC3 && i + 1 < s.size()) {
        auto c2 = static_cast<unsigned char>(s[i + 1]);
        i += 2;
        if (c2 >= 0x80 && c2 <= 0x9E && c2 != 0x97) c2 = static_cast<unsigned char>(c2 + 0x20);  // À-Þ -> à-þ
        return 0xC300u | c2;
    }
    ++i;
    if (c >= 'A' && c <= 'Z') return c + 32u;
    return c;
}

}  // namespace

std::string_view TrimBlanks(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

bool ProfileNameEquals(std::string_view a, std::string_view b) {
    a = TrimBlanks(a);
    b = TrimBlanks(b);
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size())
        if (FoldAt(a, i) != FoldAt(b, j)) return false;
    return i == a.size() && j == b.size();
}

std::string ProfileNameKey(std::string_view name) {
    name = TrimBlanks(name);
    std::string key;
    key.reserve(name.size());
    for (size_t i = 0; i < name.size();) {
        const uint32_t code = FoldAt(name, i);
        if (code > 0xFF) key += static_cast<char>(code >> 8);  // a folded two-byte umlaut
        key += static_cast<char>(code & 0xFF);
    }
    return key;
}

int32_t ParseProfileInt(std::string_view text, int32_t dflt) {
    std::string_view t = TrimBlanks(text);
    if (t.empty()) return dflt;
    size_t i = 0;
    bool neg = false;
    if (t[i] == '+' || t[i] == '-') {
        neg = t[i] == '-';
        ++i;
    }
    int64_t v = 0;
    for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i) {
        v = v * 10 + (t[i] - '0');
        if (v > int64_t{1} << 32) v = int64_t{1} << 32;  // saturate, keep parsing
    }
    if (neg) v = -v;
    if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

int16_t ClampInt16(int32_t v) {
    if (v > 32767) return 32767;
    if (v < -32768) return -32768;
    return static_cast<int16_t>(v);
}

namespace {
double RoundClamped(double v, double lo, double hi) {
    if (std::isnan(v)) return 0.0;
    return std::clamp(std::nearbyint(v), lo, hi);  // default rounding mode: halves to even
}
}  // namespace

int16_t RoundToInt16(double v) { return static_cast<int16_t>(RoundClamped(v, -32768.0, 32767.0)); }
uint8_t RoundToByte(double v) { return static_cast<uint8_t>(RoundClamped(v, 0.0, 255.0)); }

double ParseLeadingReal(std::string_view text) {
    std::string_view t = TrimBlanks(text);
    std::string num;
    size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) num += t[i++];
    bool digits = false, point = false;
    for (; i < t.size(); ++i) {
        const char c = t[i];
        if (c >= '0' && c <= '9') {
            num += c;
            digits = true;
        } else if ((c == '.' || c == ',') && !point) {
            num += '.';
            point = true;
        } else {
            break;
        }
    }
    // Optional exponent, only when it is complete ("1e3"; "1e" stops before the e).
    if (digits && i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        size_t j = i + 1;
        std::string ex = "e";
        if (j < t.size() && (t[j] == '+' || t[j] == '-')) ex += t[j++];
        size_t k = j;
        while (k < t.size() && t[k] >= '0' && t[k] <= '9') ex += t[k++];
        if (k > j) num += ex;
    }
    if (!digits) return 0.0;
    // from_chars reads "." whatever the process locale says (a German desktop
    // session sets "," as the decimal separator for strtod).
    double v = 0.0;
    const char* b = num.data() + (num[0] == '+' ? 1 : 0);
    std::from_chars(b, num.data() + num.size(), v);
    return std::isfinite(v) ? v : 0.0;
}

std::string FormatReal(double v) {
    if (v == 0.0) return "0";
    // Always "." as the decimal point, whatever the process locale says (a German
    // desktop session sets ","), so that a file moves between machines; to_chars
    // does not look at the locale. At most 15 significant digits: a value reached
    // by decimal steps (12 + 0.1 + 0.1 + 0.1) is written as 12.3, not as its
    // binary neighbour 12.300000000000001.
    char buf[64];
    std::string s;
    for (int prec = 1; prec <= 15; ++prec) {
        const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, prec);
        s.assign(buf, r.ptr);
        double back = 0.0;
        std::from_chars(s.data(), s.data() + s.size(), back);
        if (back == v) break;
    }
    // Plain decimal notation for the ordinary range of settings values.
    if (s.find('e') != std::string::npos && std::fabs(v) >= 1e-6 && std::fabs(v) < 1e15) {
        const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 10);
        s.assign(buf, r.ptr);
        while (!s.empty() && s.back() == '0') s.pop_back();
        if (!s.empty() && s.back() == '.') s.pop_back();
    }
    return s;
}

}  // namespace zk
