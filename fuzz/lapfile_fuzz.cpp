// Fuzz target: the lap file reader and the workbook export.
//
// Checks besides "no crash, no sanitizer report": the reader reading the bytes
// as a file in pieces finds the same records as the decoder of the whole
// bytes, one per 13 bytes, and names the torn rest; a record encoded again
// gives back its bytes; the workbook of those records can be written.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>

#include "system/LapFile.h"

namespace {

const std::string& ScratchDir() {
    static const std::string dir = [] {
        char tmpl[] = "/tmp/zk-lapfuzz-XXXXXX";
        const char* d = ::mkdtemp(tmpl);
        if (!d) std::abort();
        return std::string(d);
    }();
    return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const auto whole = zk::DecodeLapRecords(bytes);
    if (whole.size() != size / zk::kLapRecordSize) std::abort();
    for (size_t i = 0; i < whole.size(); ++i) {
        const std::string again = zk::EncodeLapRecord(whole[i]);
        // NaN payloads survive a memcpy round trip, so every byte comes back.
        if (again != bytes.substr(i * zk::kLapRecordSize, zk::kLapRecordSize)) std::abort();
    }

    const std::string path = ScratchDir() + "/Runden.dat";
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) std::abort();
    ::close(fd);
    const zk::LapFileContent c = zk::ReadLapFile(path);
    if (!c.error.empty() || c.fragment != size % zk::kLapRecordSize || c.records.size() != whole.size()) std::abort();
    for (size_t i = 0; i < whole.size(); ++i)
        if (zk::EncodeLapRecord(c.records[i]) != zk::EncodeLapRecord(whole[i])) std::abort();

    std::string why;
    if (!zk::WriteLapWorkbook(ScratchDir() + "/Savelaps.xlsx", c.records, &why)) std::abort();
    return 0;
}
