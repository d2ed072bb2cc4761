// zirkato-ini: reads and writes settings files from scripts, and shows what the
// program makes of one.
//
//   zirkato-ini get-int FILE SECTION KEY DEFAULT   the integer the program reads
//   zirkato-ini get FILE SECTION KEY [DEFAULT]     the text value
//   zirkato-ini set FILE SECTION KEY VALUE         writes one key (crash-safe save)
//   zirkato-ini dump FILE                          every effective setting
//
// Section and key names with blanks are one argument ("Aktive Spuren"). get,
// get-int and dump never create or change a file. Exit status: 0 done, 1 the
// save failed, 2 bad arguments or a file that cannot be read.
#include <charconv>
#include <cstdint>
#include <iostream>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "base/Version.h"
#include "devices/SimLptIo.h"
#include "system/IniFileIO.h"
#include "settings/ProfileFile.h"
#include "base/Clock.h"
#include "system/RaceSystem.h"

namespace {

constexpr const char* kUsage =
    "usage: zirkato-ini get-int FILE SECTION KEY DEFAULT\n"
    "       zirkato-ini get FILE SECTION KEY [DEFAULT]\n"
    "       zirkato-ini set FILE SECTION KEY VALUE\n"
    "       zirkato-ini dump FILE\n";

int Usage() {
    std::cerr << kUsage;
    return 2;
}

void Help() {
    std::cout << kUsage
              << "\n"
                 "Reads and writes Zirkato's settings file (Zirkato.ini) from scripts.\n"
                 "\n"
                 "  get-int   the integer the program reads for a key, DEFAULT when it is missing\n"
                 "  get       the text value of a key\n"
                 "  set       writes one key; the file is saved crash-safe\n"
                 "  dump      every effective setting, as the program understands the file\n"
                 "  --help    this text\n"
                 "  --version the program version\n"
                 "\n"
                 "Section and key names with blanks are one argument (\"Aktive Spuren\").\n"
                 "get, get-int and dump never create or change a file.\n"
                 "Exit status: 0 done, 1 the save failed, 2 bad arguments or a file that\n"
                 "cannot be read.\n";
}

// Loads FILE; a missing file is an empty document unless `mustExist`. The
// reading commands also take a pipe (`dump <(...)`), read exactly once.
bool LoadOrComplain(zk::ProfileFile& f, bool mustExist, bool streams = true) {
    f.SetReadsStreams(streams);
    struct stat st {};
    if (mustExist && ::stat(f.Path().c_str(), &st) != 0) {
        std::cerr << "zirkato-ini: cannot read " << f.Path() << ": no such file\n";
        return false;
    }
    if (!f.Load()) {
        std::cerr << "zirkato-ini: cannot read " << f.Path() << ": " << f.Error() << '\n';
        return false;
    }
    return true;
}

// Messages of the settings reader go to standard error.
class StderrUi : public zk::UiPort {
public:
    void ShowMessage(const std::string& text, const std::string& caption, zk::MessageIcon) override {
        std::cerr << "zirkato-ini: " << caption << ": " << text << '\n';
    }
};

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> a(argv + 1, argv + argc);
    if (a.empty()) return Usage();
    const std::string& cmd = a[0];
    if (cmd == "--help" || cmd == "-h") {
        Help();
        return 0;
    }
    if (cmd == "--version") {
        std::cout << "zirkato-ini " << zk::ProgramVersion() << '\n';
        return 0;
    }

    if (cmd == "get-int") {
        if (a.size() != 5) return Usage();
        int32_t dflt = 0;
        const auto r = std::from_chars(a[4].data(), a[4].data() + a[4].size(), dflt);
        if (r.ec != std::errc() || r.ptr != a[4].data() + a[4].size()) {
            std::cerr << "zirkato-ini: DEFAULT must be a whole number: " << a[4] << '\n';
            return 2;
        }
        zk::ProfileFile f(a[1]);
        if (!LoadOrComplain(f, false)) return 2;
        std::cout << f.Doc().GetInt(a[2], a[3], dflt) << '\n';
        return 0;
    }
    if (cmd == "get") {
        if (a.size() != 4 && a.size() != 5) return Usage();
        zk::ProfileFile f(a[1]);
        if (!LoadOrComplain(f, false)) return 2;
        const std::string dflt = a.size() == 5 ? a[4] : "";
        std::cout << f.Doc().GetString(a[2], a[3], dflt, SIZE_MAX) << '\n';
        return 0;
    }
    if (cmd == "set") {
        if (a.size() != 5) return Usage();
        zk::ProfileFile f(a[1]);
        if (!LoadOrComplain(f, false, false)) return 2;
        if (!f.Doc().Set(a[2], a[3], a[4])) {
            std::cerr << "zirkato-ini: a settings file cannot hold section '" << a[2] << "' key '" << a[3] << "'\n";
            return 2;
        }
        if (!f.Save()) {
            std::cerr << "zirkato-ini: cannot save " << a[1] << ": " << f.Error() << '\n';
            return 1;
        }
        return 0;
    }
    if (cmd == "dump") {
        if (a.size() != 2) return Usage();
        zk::ProfileFile f(a[1]);
        if (!LoadOrComplain(f, true)) return 2;
        zk::ManualMsClock clock(0);
        zk::SimLptIo port(&clock);
        zk::DerivedWallClock wall(clock);
        zk::RaceSystem sys(clock, port, wall);
        StderrUi ui;
        sys.SetUi(&ui);
        zk::ReadIniOptions opt;
        opt.writeTest = false;
        // The reader loads its file itself; it gets the bytes read above, since a
        // pipe cannot be read a second time.
        zk::ProfileFile once;
        once.Doc().SetBytes(f.Doc().Bytes());
        zk::ReadIniFile(sys, once, opt);
        for (const auto& line : zk::SettingsDumpLines(sys.cfg)) std::cout << line << '\n';
        return 0;
    }
    return Usage();
}
