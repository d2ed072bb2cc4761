// Fuzz target: the settings-file parser and the settings reader.
//
// Checks besides "no crash, no sanitizer report": a document gives back exactly
// the bytes it was made of, and a key that was just written reads back the same
// from the saved bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/Clock.h"
#include "devices/SimLptIo.h"
#include "settings/ProfileFile.h"
#include "system/IniFileIO.h"
#include "system/RaceSystem.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    zk::ProfileDocument doc(bytes);
    if (doc.Bytes() != bytes) std::abort();

    // Lookups of names taken from the input itself.
    for (const std::string& key : doc.Keys("Valid")) doc.GetString("Valid", key, "", 32);
    doc.GetInt("Aktive Spuren", "Spur 1", 1);

    // A write, and the value read back through the saved bytes.
    const std::string value(bytes.substr(0, 24));
    if (doc.Set("Fahrer", "F 1", value)) {
        const zk::ProfileDocument again(doc.Bytes());
        if (again.Value("Fahrer", "F 1") != doc.Value("Fahrer", "F 1")) std::abort();
    }

    // The whole settings reader and the writer on the same bytes, in memory.
    zk::ManualMsClock clock(0);
    zk::SimLptIo port(&clock);
    zk::DerivedWallClock wall(clock);
    zk::RaceSystem sys(clock, port, wall);
    zk::ProfileFile file;
    file.Doc().SetBytes(bytes);
    zk::ReadIniFile(sys, file);
    zk::SettingsDumpLines(sys.cfg);
    zk::WriteSettingsDocument(sys, file.Doc(), true);
    return 0;
}
