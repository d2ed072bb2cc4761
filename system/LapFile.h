// Lap recording and the lap spreadsheet.
//
// While recording is on (ExcelAufzeichnung set) every counted lap and every lap
// correction of the race director is appended to the lap file "Runden.dat" in
// the data directory as one fixed-size record (docs/lapfile.md). Each record is
// handed to the system as it is made, so a crash of the program loses nothing
// already recorded. The export turns the lap file into a workbook
// "Savelaps_YYYYMMDD_HHMMSS.xlsx" beside it and never overwrites an earlier one.
// UI thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <sys/types.h>
#include <string>
#include <vector>

#include "base/DurableFile.h"
#include "base/UiPort.h"
#include "race/Components.h"

namespace zk {

class RaceContext;

inline constexpr const char* kLapFileName = "Runden.dat";

struct LapRecord {
    uint8_t lane = 0;   // 1..8
    int32_t lap = 0;    // the lane's lap count after this lap
    double time = 0.0;  // lap time in seconds; 0 for a correction
};

// 13 bytes: lane (u8), lap (i32), time (f64), little-endian, no padding.
inline constexpr size_t kLapRecordSize = 13;
std::string EncodeLapRecord(const LapRecord& r);
// The whole records of `bytes`; a torn record at the end (a crash while it was
// written) is left out.
std::vector<LapRecord> DecodeLapRecords(const std::string& bytes);

// The lap file is refused above this size: about 645,000 records, more than
// four 24-hour races on 8 lanes (about 140,000 each); its export takes about
// 1.5 s and 100 MB.
inline constexpr off_t kMaxLapFileSize = 8 * 1024 * 1024;

struct LapFileContent {
    std::vector<LapRecord> records;
    size_t fragment = 0;   // bytes of a torn record at the end, left out
    bool missing = false;  // no lap file
    std::string error;     // German reason it cannot be read; records empty then
};
// Reads the lap file in pieces: a regular file only (a FIFO or device is
// refused without waiting), at most kMaxLapFileSize.
LapFileContent ReadLapFile(const std::string& path);

// Writes the records as a workbook at `path` (replacing it through a temporary
// file): row = lap + 5; lane 1 in columns I (lap) and J (time), lanes 2..8 in
// L, N, P, R, T, U, V (time). Returns false with the reason in `error`.
bool WriteLapWorkbook(const std::string& path, const std::vector<LapRecord>& records, std::string* error);
// The same as a writer for a crash-safe file (base/DurableFile.h).
DurableWriter LapWorkbookWriter(const std::vector<LapRecord>& records);

class LapFile : public LapRecorder {
public:
    explicit LapFile(RaceContext& sys) : sys_(sys) {}
    ~LapFile() override;
    LapFile(const LapFile&) = delete;
    LapFile& operator=(const LapFile&) = delete;

    void SetDataDir(std::string dir) { dir_ = std::move(dir); }
    // Called with the file name of every workbook written (the replay's trace).
    void SetExportHook(std::function<void(const std::string&)> hook) { hook_ = std::move(hook); }

    // "Runden aufzeichnen": opens the lap file for appending (earlier records
    // stay) and sets ExcelAufzeichnung. False, reported, when it cannot be
    // opened or is no regular file. A torn record at its end is cut off first
    // (reported), so that new records never follow a fragment.
    bool Start();
    // Closes the lap file; ExcelAufzeichnung = 0.
    void Stop();
    bool Recording() const { return fd_ >= 0; }

    void Append(int lane, int32_t runden, double zeit) override;
    // The live spreadsheet of the 100 ms cycle: nothing here writes a workbook
    // while the race runs, so that the cycle is never held up.
    void LiveStep() override {}

    // "Excel-Datei erzeugen": the recorded laps as a new workbook named after
    // `stamp` ("YYYYMMDD_HHMMSS"); recording ends. Returns the workbook's path,
    // or "" when nothing was written (reported; the lap file stays as it is).
    std::string Export(const std::string& stamp);

    std::string FilePath() const;

private:
    void Report(const std::string& text, MessageIcon icon);

    RaceContext& sys_;
    std::string dir_;
    std::function<void(const std::string&)> hook_;
    int fd_ = -1;
};

}  // namespace zk
