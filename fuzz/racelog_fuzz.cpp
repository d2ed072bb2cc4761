// Fuzz target: what the race log and the result files are made of: driver
// names and race titles as anyone may type them.
//
// Checks besides "no crash, no sanitizer report": the log text in Windows-1252
// has one byte per character and keeps ASCII as it is; the result table read
// back by a CSV reader has one row per lane, the names as they were, and no
// cell a spreadsheet would take for a formula.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "race/RaceResult.h"
#include "system/ClubLogFile.h"

namespace {

// Rows of semicolon-separated cells with "..." quoting ("" inside).
std::vector<std::vector<std::string>> ReadCsv(const std::string& t) {
    std::vector<std::vector<std::string>> rows(1, std::vector<std::string>(1));
    bool quoted = false;
    for (size_t i = 0; i < t.size(); ++i) {
        const char c = t[i];
        if (quoted) {
            if (c == '"' && i + 1 < t.size() && t[i + 1] == '"') {
                rows.back().back() += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                rows.back().back() += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ';') {
            rows.back().emplace_back();
        } else if (c == '\r' && i + 1 < t.size() && t[i + 1] == '\n') {
            rows.emplace_back(1);
            ++i;
        } else {
            rows.back().back() += c;
        }
    }
    if (rows.back().size() == 1 && rows.back()[0].empty()) rows.pop_back();
    return rows;
}

bool Formula(const std::string& cell) { return !cell.empty() && std::string("=+-@\t\r").find(cell[0]) != std::string::npos; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    const std::string log = zk::LogBytes(text);
    bool ascii = true;
    for (unsigned char c : text) ascii = ascii && c < 0x80;
    if (ascii && log != text) std::abort();
    if (log.size() > text.size()) std::abort();

    // Up to eight names and a title, split at NUL bytes.
    std::vector<std::string> parts(1);
    for (char c : text) {
        if (c == '\0' && parts.size() < 9) parts.emplace_back();
        else parts.back() += c;
    }
    zk::RennErgebnis e;
    e.titel = parts[0];
    for (size_t i = 1; i < parts.size(); ++i) {
        zk::ErgebnisZeile z;
        z.platz = z.spur = static_cast<int>(i);
        z.fahrer = parts[i];
        e.zeilen.push_back(z);
    }
    const std::string csv = zk::ErgebnisCsv(e, "2026-12-07", "20:00:00");
    const auto rows = ReadCsv(csv.substr(3));  // after the byte-order mark
    // The lines above the table (race, date, program) end at its heading row.
    size_t kopf = 0;
    while (kopf < rows.size() && !(!rows[kopf].empty() && rows[kopf][0] == "Platz")) ++kopf;
    if (kopf == rows.size() || rows.size() != kopf + 1 + e.zeilen.size()) std::abort();
    for (size_t i = 0; i < e.zeilen.size(); ++i) {
        const auto& row = rows[kopf + 1 + i];
        if (row.size() != 9) std::abort();
        const std::string& name = row[2];
        // A neutralised cell is the name behind one apostrophe.
        if (name != e.zeilen[i].fahrer && !(Formula(e.zeilen[i].fahrer) && name == "'" + e.zeilen[i].fahrer))
            std::abort();
    }
    for (const auto& row : rows)
        for (const auto& cell : row)
            if (Formula(cell)) std::abort();
    (void)zk::ErgebnisHtml(e, "2026-12-07", "20:00:00");
    return 0;
}
