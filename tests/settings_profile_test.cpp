// The private-profile layer: name rules, value parsing, line-preserving writes,
// encodings and the crash-safe save.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "settings/ProfileFile.h"
#include "settings/TextEncoding.h"
#include "settings_test_util.h"

using namespace zk;
using namespace zk::test;

TEST(IniProfileRead, NamesMatchCaseInsensitiveExactlyAndFirstWins) {
    const ProfileDocument d(
        "Orphan=1\n"
        "[Aktive Spuren]\n"
        "Spur 10=10\n"
        "  Spur 1 = 1\n"
        ";Spur 2=99\n"
        "Spur 1=2\n"
        "[F]\n"
        "F 11=elf\n"
        "[ aktive spuren ]\n"
        "Spur 3=3\n");
    EXPECT_EQ(d.GetInt(" AKTIVE SPUREN ", "spur 1", -5), 1);  // blanks around ignored, first key wins
    EXPECT_EQ(d.GetInt("Aktive Spuren", "Spur  1", -5), -5);   // blanks inside count
    EXPECT_EQ(d.GetInt("Aktive Spuren", "Spur1", -5), -5);
    EXPECT_EQ(d.GetInt("Aktive Spuren", "Spur 10", -5), 10);   // no prefix matching either way
    EXPECT_EQ(d.GetInt("F", "F 1", -5), -5);
    EXPECT_EQ(d.GetInt("Aktive Spuren", "Spur 2", -5), -5);    // comment
    EXPECT_EQ(d.GetInt("Aktive Spuren", "Spur 3", -5), -5);    // second occurrence of the section
    EXPECT_EQ(d.GetInt("", "Orphan", -5), -5);                 // above the first section
    EXPECT_FALSE(d.Value("Nirgends", "Spur 1").has_value());
}

TEST(IniProfileRead, IntegerAndTextParse) {
    const ProfileDocument d(
        "[S]\na=12abc\nb= 12.5\nc=-3x\nd=\ne=   \nf=abc\ng=+7\nh=99999999999\ni=-99999999999\n"
        "t=  zwei Wörter  \nu=\nlong=123456789012345678901234567890123456789\n");
    EXPECT_EQ(d.GetInt("S", "a", 1), 12);
    EXPECT_EQ(d.GetInt("S", "b", 1), 12);
    EXPECT_EQ(d.GetInt("S", "c", 1), -3);
    EXPECT_EQ(d.GetInt("S", "d", 1), 1);  // empty value: default
    EXPECT_EQ(d.GetInt("S", "e", 1), 1);  // blanks only: default
    EXPECT_EQ(d.GetInt("S", "f", 1), 0);  // not a number: 0
    EXPECT_EQ(d.GetInt("S", "g", 1), 7);
    EXPECT_EQ(d.GetInt("S", "h", 1), INT32_MAX);
    EXPECT_EQ(d.GetInt("S", "i", 1), INT32_MIN);
    EXPECT_EQ(d.GetInt("S", "missing", 42), 42);
    EXPECT_EQ(d.GetString("S", "t", "x", 32), "zwei Wörter");
    EXPECT_EQ(d.GetString("S", "u", "x", 32), "");
    EXPECT_EQ(d.GetString("S", "missing", "dflt", 32), "dflt");
    EXPECT_EQ(d.GetString("S", "long", "", 32), "1234567890123456789012345678901");  // 31 characters
    EXPECT_EQ(d.GetString("S", "t", "", 4), "zwe");
    EXPECT_EQ(d.GetString("S", "t", "", 11), "zwei Wörte");  // counted in characters, not bytes
}

TEST(IniProfileWrite, ChangesOnlyTheAddressedLine) {
    const std::string original =
        "; Zirkato\r\n"
        "[Tankoption]\r\n"
        "TrockenSpannung = 5\r\n"
        "Odd line without equals\r\n"
        "; last comment\r\n"
        "\r\n"
        "[Lpt]\r\n"
        "Port=1";  // no final line ending
    ProfileDocument d(original);

    const uint64_t gen = d.Generation();
    EXPECT_TRUE(d.Set("tankoption", "TROCKENSPANNUNG", " 5"));  // equal value: untouched
    EXPECT_EQ(d.Generation(), gen);
    EXPECT_EQ(d.Bytes(), original);

    EXPECT_TRUE(d.Set("tankoption", "Trockenspannung", " 7"));  // file keeps its own spelling
    EXPECT_TRUE(d.Set("Tankoption", "BoxTank", " 0"));          // after the last comment, before the blank line
    EXPECT_TRUE(d.Set("Neu", "Wert", "x"));                     // new section at the end
    EXPECT_EQ(d.Bytes(),
              "; Zirkato\r\n"
              "[Tankoption]\r\n"
              "TrockenSpannung = 7\r\n"
              "Odd line without equals\r\n"
              "; last comment\r\n"
              "BoxTank= 0\r\n"
              "\r\n"
              "[Lpt]\r\n"
              "Port=1\r\n"
              "[Neu]\r\n"
              "Wert=x\r\n");

    ProfileDocument e("[Lpt]\nPort=1");  // key appended to the last section of a file without final newline
    EXPECT_TRUE(e.Set("LPT", "Ampel", "1"));
    EXPECT_EQ(e.Bytes(), "[Lpt]\nPort=1\nAmpel=1\n");

    // Names the file cannot hold are refused; line breaks in a value cannot add lines.
    EXPECT_FALSE(e.Set("A]B", "k", "v"));
    EXPECT_FALSE(e.Set("S", "k=1", "v"));
    EXPECT_FALSE(e.Set("S", ";k", "v"));
    EXPECT_FALSE(e.Set("S", "", "v"));
    EXPECT_TRUE(e.Set("Fahrer", "F 1", "Hans\r\n[Valid]\r\nValIniFile=1"));
    EXPECT_EQ(e.Value("Fahrer", "F 1"), "Hans  [Valid]  ValIniFile=1");
    EXPECT_FALSE(e.Value("Valid", "ValIniFile").has_value());
}

TEST(IniProfileEncoding, Windows1252AndUtf8FilesNeverMixed) {
    // "Länge" and "S1Grün" as the Windows program writes them.
    ProfileDocument cp("[Bahn]\r\nL\xE4nge= 2550\r\n[Farben]\r\nS1Gr\xFCn= 128\r\n");
    EXPECT_EQ(cp.Encoding(), ProfileEncoding::Windows1252);
    EXPECT_EQ(cp.GetInt("bahn", "LÄNGE", 1), 2550);
    EXPECT_EQ(cp.GetInt("Farben", "s1grün", 1), 128);

    ProfileDocument utf("[Bahn]\nLänge= 2550\n");
    EXPECT_EQ(utf.Encoding(), ProfileEncoding::Utf8);
    EXPECT_EQ(utf.GetInt("BAHN", "LÄNGE", 1), 2550);

    // New text in a Windows-1252 file is written in Windows-1252 ...
    EXPECT_TRUE(cp.Set("Fahrer", "F 1", "Jürgen"));
    EXPECT_EQ(cp.Encoding(), ProfileEncoding::Windows1252);
    EXPECT_NE(cp.Bytes().find("F 1=J\xFCrgen\r\n"), std::string::npos);
    // ... until a character appears that it lacks: then the whole file is UTF-8.
    EXPECT_TRUE(cp.Set("Fahrer", "F 2", "Łukasz"));
    EXPECT_EQ(cp.Encoding(), ProfileEncoding::Utf8);
    const std::string bytes = cp.Bytes();
    EXPECT_TRUE(IsValidUtf8(bytes));
    EXPECT_NE(bytes.find("Länge= 2550\r\n"), std::string::npos);
    EXPECT_EQ(cp.GetString("Fahrer", "F 1", "", 32), "Jürgen");

    // Every Windows-1252 byte survives the round trip.
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all)), all);
}

namespace {

struct FailingOps : ProfileFileOps {
    bool failWrite = false, failRename = false;
    int renames = 0;
    ssize_t Write(int fd, const void* b, size_t n) override {
        if (failWrite) {
            errno = ENOSPC;
            return -1;
        }
        return ProfileFileOps::Write(fd, b, n);
    }
    int Rename(const char* from, const char* to) override {
        ++renames;
        if (failRename) {
            errno = EIO;
            return -1;
        }
        return ProfileFileOps::Rename(from, to);
    }
};

}  // namespace

TEST(IniFileSave, FailedSaveLeavesOldFileIntact) {
    TempDir dir;
    const std::string path = dir / "Zirkato.ini";
    WriteBytes(path, "[Valid]\nValIniFile= 10\n");
    ::chmod(path.c_str(), 0640);
    FailingOps ops;
    ProfileFile f(path);
    f.SetFileOps(&ops);

    for (bool rename : {true, false}) {
        ops.failRename = rename;
        ops.failWrite = !rename;
        ASSERT_TRUE(f.Load());
        f.Doc().Set("Valid", "ValIniFile", " 11");
        EXPECT_FALSE(f.Save());
        EXPECT_FALSE(f.Error().empty());
        EXPECT_EQ(ReadBytes(path), "[Valid]\nValIniFile= 10\n");
        EXPECT_EQ(dir.Entries(), std::vector<std::string>{"Zirkato.ini"});  // no temporary file left
    }

    ops.failRename = ops.failWrite = false;
    ASSERT_TRUE(f.Load());
    f.Doc().Set("Valid", "ValIniFile", " 12");
    ASSERT_TRUE(f.Save());
    EXPECT_EQ(ReadBytes(path), "[Valid]\nValIniFile= 12\n");
    struct stat st {};
    ::stat(path.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);  // permissions kept
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"Zirkato.ini"});
}

TEST(IniFileSave, RefusesReadOnlyUnreadableAndMissingPlaces) {
    TempDir dir;
    const std::string path = dir / "Zirkato.ini";
    WriteBytes(path, "[A]\nb=1\n");
    ::chmod(path.c_str(), 0444);
    ProfileFile ro(path);
    EXPECT_FALSE(ro.WriteString("A", "b", "2"));
    EXPECT_EQ(ro.Error(), "die Datei ist schreibgeschützt");
    EXPECT_EQ(ReadBytes(path), "[A]\nb=1\n");
    // Even an unchanged save reports that it could not be made.
    ASSERT_TRUE(ro.Load());
    EXPECT_FALSE(ro.Save());

    ProfileFile gone(dir / "weg/Zirkato.ini");
    EXPECT_FALSE(gone.WriteString("A", "b", "2"));
    EXPECT_EQ(gone.Error(), "das Verzeichnis ist nicht vorhanden");

    // A name that cannot be read is never overwritten.
    ::mkdir((dir / "ordner").c_str(), 0755);
    ProfileFile d(dir / "ordner");
    EXPECT_FALSE(d.Load());
    d.Doc().Set("A", "b", "1");
    EXPECT_FALSE(d.Save());

    // A missing file is created.
    ProfileFile fresh(dir / "neu.ini");
    EXPECT_TRUE(fresh.WriteString("Valid", "ValIniFile", " 10"));
    EXPECT_EQ(ReadBytes(dir / "neu.ini"), "[Valid]\nValIniFile= 10\n");
}

TEST(IniFileSave, WritesThroughSymbolicLinksEvenDanglingOnes) {
    TempDir dir;
    ::mkdir((dir / "echt").c_str(), 0755);
    const std::string link = dir / "Zirkato.ini";
    // A relative link to a file that does not exist yet, through a second link.
    ASSERT_EQ(::symlink("zwischen.ini", link.c_str()), 0);
    ASSERT_EQ(::symlink("echt/Zirkato.ini", (dir / "zwischen.ini").c_str()), 0);
    ProfileFile f(link);
    ASSERT_TRUE(f.Load());
    EXPECT_TRUE(f.Doc().Empty());
    f.Doc().Set("Valid", "ValIniFile", " 10");
    ASSERT_TRUE(f.Save()) << f.Error();
    EXPECT_EQ(ReadBytes(dir / "echt/Zirkato.ini"), "[Valid]\nValIniFile= 10\n");
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "zwischen.ini"));

    // A second save replaces the target, not the links; no temporary is left.
    ASSERT_TRUE(f.WriteString("Valid", "ValIniFile", " 11"));
    EXPECT_EQ(ReadBytes(dir / "echt/Zirkato.ini"), "[Valid]\nValIniFile= 11\n");
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(TempDir::EntriesOf(dir / "echt"), std::vector<std::string>{"Zirkato.ini"});

    // A link loop is an error, not a hang.
    ASSERT_EQ(::symlink("schleife", (dir / "schleife").c_str()), 0);
    ProfileFile loop(dir / "schleife");
    EXPECT_FALSE(loop.WriteString("A", "b", "1"));
}

TEST(IniFileLoad, ReasonsOfAFailedRead) {
    TempDir dir;
    const std::string fifo = dir / "fifo.ini";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    ProfileFile p(fifo);
    EXPECT_FALSE(p.Load());  // returns at once: a FIFO is refused before it is opened
    EXPECT_EQ(p.Error(), "keine gewöhnliche Datei (Gerät, Pipe oder Socket)");
    EXPECT_FALSE(p.Save());
    EXPECT_EQ(std::filesystem::status(fifo).type(), std::filesystem::file_type::fifo);

    ProfileFile zero("/dev/zero");
    EXPECT_FALSE(zero.Load());
    zero.SetReadsStreams(true);  // tools may read a stream, but not without end
    EXPECT_FALSE(zero.Load());
    EXPECT_EQ(zero.Error(), "die Datei ist zu groß für eine Einstellungsdatei");

    if (::geteuid() != 0) {
        const std::string secret = dir / "geheim.ini";
        WriteBytes(secret, "[A]\nb=1\n");
        ::chmod(secret.c_str(), 0200);
        ProfileFile s(secret);
        EXPECT_FALSE(s.Load());
        EXPECT_EQ(s.Error(), "die Datei kann nicht gelesen werden (keine Leseberechtigung)");
    }
}

TEST(IniFileSave, RemovesTemporariesOfDeadProcessesOnly) {
    TempDir dir;
    const std::string path = dir / "Zirkato.ini";
    WriteBytes(path, "[A]\nb=1\n");
    const pid_t dead = ::fork();
    if (dead == 0) ::_exit(0);
    ::waitpid(dead, nullptr, 0);
    const std::string d = std::to_string(dead), live = std::to_string(::getpid());
    for (const std::string& name : {".Zirkato.ini.tmp-" + d + "-0", ".Zirkato.ini.tmp-" + d + "-17",
                                   ".Zirkato.ini.tmp-" + live + "-0", std::string(".Zirkato.ini.tmp-1-0"),
                                   ".Zirkato.ini.tmp-" + d, ".Zirkato.ini.tmp-" + d + "-0x",
                                   ".Andere.ini.tmp-" + d + "-0"})
        WriteBytes(dir / name, "halb");
    ProfileFile f(path);
    ASSERT_TRUE(f.WriteString("A", "b", "2"));
    auto left = dir.Entries();
    std::sort(left.begin(), left.end());
    // Gone: the three of the dead process (".tmp-PID" is how earlier versions
    // named them). Kept: a live process's (this one, init), names of another
    // pattern and another file's temporaries.
    std::vector<std::string> kept{".Andere.ini.tmp-" + d + "-0",
                                  ".Zirkato.ini.tmp-" + d + "-0x", ".Zirkato.ini.tmp-1-0",
                                  ".Zirkato.ini.tmp-" + live + "-0", "Zirkato.ini"};
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(left, kept);
    EXPECT_EQ(ReadBytes(path), "[A]\nb=2\n");
}

TEST(IniFileSave, FullDiskFailsVisiblyAndKeepsTheOldFile) {
    TempDir dir;
    // A 64 KiB file system of its own; needs the right to mount (root).
    const std::string mount = "mount -t tmpfs -o size=64k zk-full '" + dir.path() + "' 2>/dev/null";
    if (std::system(mount.c_str()) != 0) GTEST_SKIP() << "cannot mount a small tmpfs here (needs root); skipped";
    struct Unmount {
        std::string dir;
        ~Unmount() { [[maybe_unused]] int rc = std::system(("umount '" + dir + "'").c_str()); }
    } unmount{dir.path()};

    const std::string path = dir / "Zirkato.ini";
    std::string old = "[Valid]\nValIniFile= 10\n[Fahrer]\n";
    for (int i = 1; old.size() < 16 * 1024; ++i)
        old += "F " + std::to_string(i) + "=Fahrerin Nummer " + std::to_string(i) + "\n";
    WriteBytes(path, old);
    // Fill the rest of the disk.
    {
        std::FILE* fill = std::fopen((dir / "voll").c_str(), "wb");
        ASSERT_NE(fill, nullptr);
        const std::string block(4096, 'x');
        while (std::fwrite(block.data(), 1, block.size(), fill) == block.size() && std::fflush(fill) == 0) {
        }
        std::fclose(fill);
    }
    ProfileFile f(path);
    ASSERT_TRUE(f.Load());
    f.Doc().Set("Fahrer", "F 999", std::string(2000, 'y'));
    EXPECT_FALSE(f.Save());
    EXPECT_EQ(f.Error(), "der Datenträger ist voll");
    EXPECT_EQ(ReadBytes(path), old);
    auto left = dir.Entries();
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"Zirkato.ini", "voll"}));
}

namespace {

// A settings file with 32,767 drivers: every key read and rewritten, and new
// keys added at the end, in a time linear in the file (a scan of all lines per
// lookup took seconds here).
TEST(SettingsFile, ThirtyTwoThousandDriversReadAndWrittenLinearly) {
    std::string text = "[Allgemein]\r\nx=1\r\n[Fahrer]\r\n";
    for (int i = 1; i <= 32767; ++i) text += "Fahrer" + std::to_string(i) + "=Name " + std::to_string(i) + "\r\n";
    text += "\r\n";
    const auto t0 = std::chrono::steady_clock::now();
    ProfileDocument doc(text);
    for (int i = 1; i <= 32767; ++i) {
        const std::string key = "fahrer" + std::to_string(i);  // names are found in any case
        ASSERT_EQ(doc.GetString("FAHRER", key, "", 256), "Name " + std::to_string(i));
        ASSERT_TRUE(doc.Set("Fahrer", key, "Neu " + std::to_string(i)));
    }
    for (int i = 1; i <= 5000; ++i) ASSERT_TRUE(doc.Set("Fahrer", "Extra" + std::to_string(i), "e"));
    for (int i = 1; i <= 5000; ++i) ASSERT_TRUE(doc.Set("Neu", "K" + std::to_string(i), "n"));
    // Keys added to the first section (a newer version's keys) move every line
    // behind them; each such insert costs one pass over the lines.
    for (int i = 1; i <= 50; ++i) ASSERT_TRUE(doc.Set("Allgemein", "a" + std::to_string(i), "v"));
    ASSERT_EQ(doc.Value("Fahrer", "Fahrer1"), "Neu 1");
    ASSERT_TRUE(doc.Set("Fahrer", "Fahrer2", "wieder"));
    const std::string bytes = doc.Bytes();
    const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    // Linear takes well under a second (under the sanitizers a few); a scan of
    // every line per lookup takes minutes at this size, so the bound is loose.
    EXPECT_LT(secs, 20.0) << "lookups are not linear in the file";
    const ProfileDocument again(bytes);
    EXPECT_EQ(again.Value("Fahrer", "Fahrer32767"), "Neu 32767");
    EXPECT_EQ(again.Value("fahrer", "extra5000"), "e");
    EXPECT_EQ(again.Value("Neu", "K1"), "n");
    EXPECT_EQ(again.Value("Fahrer", "Fahrer2"), "wieder");
    EXPECT_EQ(again.Value("Allgemein", "a50"), "v");
    EXPECT_NE(bytes.find("x=1\r\na1=v\r\n"), std::string::npos);
    // New keys go after the section's last line, before its blank line.
    EXPECT_NE(bytes.find("Extra5000=e\r\n\r\n[Neu]\r\n"), std::string::npos);
}

}  // namespace
