#include "system/LapFile.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include "base/DurableFile.h"
#include "race/Race.h"
#include "settings/DataDir.h"


namespace zk {

namespace {

// Column of each lane's time (0-based: I = 8); lane 1 has its lap number in I.
constexpr std::array<lxw_col_t, 9> kTimeColumn = {0, 9, 11, 13, 15, 17, 19, 20, 21};
constexpr lxw_col_t kLapColumn = 8;
constexpr const char* kCaption = "Runden aufzeichnen";

constexpr const char* kNotRegular = "keine gewöhnliche Datei (Gerät, Pipe oder Socket)";

// Decodes the whole records of `bytes` from `at` on into `out`.
void DecodeInto(const unsigned char* p, size_t size, std::vector<LapRecord>& out) {
    for (size_t at = 0; at + kLapRecordSize <= size; at += kLapRecordSize) {
        LapRecord r;
        r.lane = p[at];
        uint32_t lap = 0;
        for (int i = 0; i < 4; ++i) lap |= static_cast<uint32_t>(p[at + 1 + i]) << (8 * i);
        r.lap = static_cast<int32_t>(lap);
        uint64_t bits = 0;
        for (int i = 0; i < 8; ++i) bits |= static_cast<uint64_t>(p[at + 5 + i]) << (8 * i);
        std::memcpy(&r.time, &bits, sizeof bits);
        out.push_back(r);
    }
}

}  // namespace

std::string EncodeLapRecord(const LapRecord& r) {
    std::string b(kLapRecordSize, '\0');
    b[0] = static_cast<char>(r.lane);
    const auto lap = static_cast<uint32_t>(r.lap);
    for (int i = 0; i < 4; ++i) b[1 + i] = static_cast<char>((lap >> (8 * i)) & 0xFF);
    uint64_t bits = 0;
    std::memcpy(&bits, &r.time, sizeof bits);
    for (int i = 0; i < 8; ++i) b[5 + i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
    return b;
}

std::vector<LapRecord> DecodeLapRecords(const std::string& bytes) {
    std::vector<LapRecord> out;
    DecodeInto(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), out);
    return out;
}

LapFileContent ReadLapFile(const std::string& path) {
    LapFileContent c;
    // Opened without waiting (a FIFO would block here) and read only when it is
    // a regular file of a bounded size (a device may never end).
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        c.missing = errno == ENOENT;
        c.error = FileErrorText(errno, true);
        return c;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        c.error = FileErrorText(errno, true);
    } else if (!S_ISREG(st.st_mode)) {
        c.error = kNotRegular;
    } else if (st.st_size > kMaxLapFileSize) {
        c.error = "die Datei ist zu groß (" + std::to_string(st.st_size / (1024 * 1024)) + " MB, höchstens " +
                  std::to_string(kMaxLapFileSize / (1024 * 1024)) + " MB)";
    }
    if (!c.error.empty()) {
        ::close(fd);
        return c;
    }
    c.records.reserve(static_cast<size_t>(st.st_size) / kLapRecordSize);
    // Read in pieces; a piece's torn record is carried over to the next one.
    std::array<unsigned char, 13 * 5041> buf{};
    size_t have = 0;
    uint64_t total = 0;
    for (;;) {
        const ssize_t n = ::read(fd, buf.data() + have, buf.size() - have);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            c.error = FileErrorText(errno, true);
            break;
        }
        if (n == 0) break;
        total += static_cast<uint64_t>(n);
        if (total > static_cast<uint64_t>(kMaxLapFileSize)) {  // grew while read
            c.error = "die Datei ist zu groß";
            break;
        }
        have += static_cast<size_t>(n);
        const size_t whole = have - have % kLapRecordSize;
        DecodeInto(buf.data(), whole, c.records);
        std::memmove(buf.data(), buf.data() + whole, have - whole);
        have -= whole;
    }
    ::close(fd);
    c.fragment = have;
    if (!c.error.empty()) c.records.clear();
    return c;
}

DurableWriter LapWorkbookWriter(const std::vector<LapRecord>& records) {
    return [&records](int, const std::string& tmp, std::string* why) {
        lxw_workbook* wb = workbook_new(tmp.c_str());
        if (!wb) {
            *why = "Arbeitsmappe kann nicht angelegt werden";
            return false;
        }
        lxw_worksheet* ws = workbook_add_worksheet(wb, "Runden");
        lxw_worksheet* ks = workbook_add_worksheet(wb, "Korrekturen");
        // Headings in row 4, above the row of lap 0.
        worksheet_write_string(ws, 3, kLapColumn, "Runde", nullptr);
        for (int lane = 1; lane <= kLanes; ++lane)
            worksheet_write_string(ws, 3, kTimeColumn[lane], ("Spur " + std::to_string(lane)).c_str(), nullptr);
        const char* heads[] = {"Eintrag", "Spur", "Korrektur", "Runden danach", "Rennzeit der Spur (s)"};
        for (lxw_col_t c = 0; c < 5; ++c) worksheet_write_string(ks, 0, c, heads[c], nullptr);
        lxw_row_t korrekturZeile = 1;

        // Per lane within the race being read: its last recorded lap count,
        // the row of its last lap and its race time so far.
        std::array<int32_t, kLanes + 1> zuletzt{};
        std::array<int64_t, kLanes + 1> letzteZeile{};
        std::array<double, kLanes + 1> rennzeit{};
        std::array<bool, kLanes + 1> gesehen{};  // the change of a correction needs the count before it
        for (size_t i = 0; i < records.size(); ++i) {
            const LapRecord& r = records[i];
            // Records a spreadsheet cannot hold are left out: no lane, a time
            // that is no number, a row above the first or below the last.
            if (r.lane < 1 || r.lane > kLanes || !std::isfinite(r.time)) continue;
            const int lane = r.lane;
            if (r.time == 0.0) {
                // A correction (time 0) goes to its own sheet with its place
                // in the recording, so no lap is overwritten or mistaken for one.
                if (korrekturZeile < LXW_ROW_MAX) {
                    worksheet_write_number(ks, korrekturZeile, 0, static_cast<double>(i + 1), nullptr);
                    worksheet_write_number(ks, korrekturZeile, 1, lane, nullptr);
                    if (gesehen[lane]) worksheet_write_number(ks, korrekturZeile, 2, r.lap - zuletzt[lane], nullptr);
                    worksheet_write_number(ks, korrekturZeile, 3, r.lap, nullptr);
                    worksheet_write_number(ks, korrekturZeile, 4, std::round(rennzeit[lane] * 1000.0) / 1000.0,
                                           nullptr);
                    ++korrekturZeile;
                }
                zuletzt[lane] = r.lap;
                gesehen[lane] = true;
                continue;
            }
            // A lane's lap 1 after laps of its own begins a new race: its rows
            // are written afresh (the last race recorded wins).
            if (r.lap == 1 && zuletzt[lane] != 0) {
                letzteZeile[lane] = 0;
                rennzeit[lane] = 0.0;
            }
            zuletzt[lane] = r.lap;
            gesehen[lane] = true;
            rennzeit[lane] += r.time;
            // A lap goes to the row of its lap count; after a correction took
            // laps away, that row already holds a driven lap, and this one
            // goes below it.
            const int64_t lap = std::max<int64_t>(r.lap, letzteZeile[lane] + 1);
            letzteZeile[lane] = lap;
            const int64_t row = lap + 4;  // row lap + 5, counted from 0
            if (row < 0 || row >= LXW_ROW_MAX) continue;
            const auto rw = static_cast<lxw_row_t>(row);
            if (lane == 1) worksheet_write_number(ws, rw, kLapColumn, static_cast<double>(lap), nullptr);
            worksheet_write_number(ws, rw, kTimeColumn[lane], r.time, nullptr);
        }
        const lxw_error e = workbook_close(wb);
        if (e != LXW_NO_ERROR) {
            *why = lxw_strerror(e);
            return false;
        }
        // The library wrote by name: the file under that name is flushed here.
        const int fd = ::open(tmp.c_str(), O_RDONLY | O_CLOEXEC);
        const bool synced = fd >= 0 && ::fsync(fd) == 0;
        if (fd >= 0) ::close(fd);
        if (!synced) *why = FileErrorText(errno);
        return synced;
    };
}

bool WriteLapWorkbook(const std::string& path, const std::vector<LapRecord>& records, std::string* error) {
    return DurableReplaceBy(path, LapWorkbookWriter(records), error);
}

LapFile::~LapFile() {
    if (fd_ >= 0) ::close(fd_);
}

std::string LapFile::FilePath() const { return DataPath(dir_, kLapFileName); }

void LapFile::Report(const std::string& text, MessageIcon icon) { sys_.ui().ShowMessage(text, kCaption, icon); }

bool LapFile::Start() {
    if (fd_ >= 0) return true;
    if (dir_.empty()) {
        Report("Kein Datenverzeichnis: die Runden k\xC3\xB6nnen nicht aufgezeichnet werden.", MessageIcon::Warning);
        return false;
    }
    auto refuse = [&](const std::string& why) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
        Report("Die Rundendatei kann nicht ge\xC3\xB6""ffnet werden:\n" + FilePath() + "\n" + why, MessageIcon::Warning);
        sys_.st.zyklus.ExcelAufzeichnung = false;
        return false;
    };
    // Without waiting: a FIFO under the name would block the program here.
    fd_ = ::open(FilePath().c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0644);
    if (fd_ < 0) return refuse(errno == ENXIO ? kNotRegular : FileErrorText(errno));
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return refuse(FileErrorText(errno));
    if (!S_ISREG(st.st_mode)) return refuse(kNotRegular);
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
    // A record torn by a power cut or a full disk would shift every record
    // appended behind it: it is cut off first.
    if (const auto torn = static_cast<off_t>(st.st_size % static_cast<off_t>(kLapRecordSize)); torn != 0) {
        if (::ftruncate(fd_, st.st_size - torn) != 0 || ::fsync(fd_) != 0) return refuse(FileErrorText(errno));
        Report("Die Rundendatei endete mit einem unvollst\xC3\xA4ndigen Datensatz (" + std::to_string(torn) +
                   " Bytes); er wurde abgeschnitten, die Runden davor bleiben erhalten:\n" + FilePath(),
               MessageIcon::Information);
    }
    sys_.st.zyklus.ExcelAufzeichnung = true;
    return true;
}

void LapFile::Stop() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    sys_.st.zyklus.ExcelAufzeichnung = false;
}

void LapFile::Append(int lane, int32_t runden, double zeit) {
    if (fd_ < 0) return;
    const std::string rec = EncodeLapRecord({static_cast<uint8_t>(lane), runden, zeit});
    size_t done = 0;
    while (done < rec.size()) {
        const ssize_t n = ::write(fd_, rec.data() + done, rec.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const int err = n < 0 ? errno : ENOSPC;
            // A torn record is cut off again, so that the records behind it stay
            // readable; recording ends and says so.
            const off_t size = ::lseek(fd_, 0, SEEK_END);
            if (done > 0 && size >= static_cast<off_t>(done)) (void)::ftruncate(fd_, size - static_cast<off_t>(done));
            Stop();
            Report("Die Runde konnte nicht aufgezeichnet werden, die Aufzeichnung ist beendet:\n" + FilePath() + "\n" +
                       std::strerror(err),
                   MessageIcon::Warning);
            return;
        }
        done += static_cast<size_t>(n);
    }
}

std::string LapFile::Export(const std::string& stamp) {
    if (dir_.empty()) {
        Report("Es sind keine Runden aufgezeichnet.", MessageIcon::Information);
        return {};
    }
    const LapFileContent content = ReadLapFile(FilePath());
    if (content.missing) {
        Report("Es sind keine Runden aufgezeichnet.", MessageIcon::Information);
        return {};
    }
    if (!content.error.empty()) {
        Report("Die Rundendatei kann nicht gelesen werden:\n" + FilePath() + "\n" + content.error,
               MessageIcon::Warning);
        return {};
    }
    if (content.records.empty()) {
        Report("Es sind keine Runden aufgezeichnet.", MessageIcon::Information);
        return {};
    }
    // A new name for every export, taken exclusively: an earlier workbook of
    // the same second (also one another program is writing just now) keeps its
    // name and this one gets a number; no existing file is ever replaced.
    const std::string stem = "Savelaps_" + stamp;
    std::string why;
    const std::string made = DurableCreate(dir_, stem, {{".xlsx", LapWorkbookWriter(content.records)}}, &why);
    if (made.empty()) {
        Report("Die Excel-Datei konnte nicht geschrieben werden:\n" + DataPath(dir_, stem + ".xlsx") + "\n" + why +
                   "\nDie aufgezeichneten Runden bleiben in " + FilePath() + " erhalten.",
               MessageIcon::Warning);
        return {};
    }
    const std::string path = made + ".xlsx";
    Stop();
    if (hook_) hook_(path.substr(path.find_last_of('/') + 1));
    std::string text = "Die Excel-Datei wurde gespeichert:\n" + path;
    if (content.fragment != 0)
        text += "\nEin unvollst\xC3\xA4ndiger Datensatz am Ende der Rundendatei (" + std::to_string(content.fragment) +
                " Bytes) wurde \xC3\xBC""bergangen.";
    Report(text, MessageIcon::Information);
    return path;
}

}  // namespace zk
