// The reader looks for the board when no device is named: of several serial
// devices it takes the first that says a hello it speaks, names the others in
// its status, times nothing of theirs and sends them no command but the hello
// request, and does not open them again in every round; it looks again while
// none is found and after an unplug.
#include <gtest/gtest.h>

#include "PtyBoards.h"
#include "TestRig.h"
#include "devices/BoardReader.h"
#include "devices/TermiosLine.h"

using namespace zk;
using namespace zk::test;

namespace {

BoardSuche KurzeSuche(const PtyBoards& boards) {
    BoardSuche s;
    s.muster = {boards.Muster()};
    s.antwortMs = 300;
    s.pauseMs = 50;
    return s;
}

TEST(BoardScan, CandidatesInOrderEachDeviceOnce) {
    char tmpl[] = "/tmp/zk-kandidaten-XXXXXX";
    const std::string dir = ::mkdtemp(tmpl);
    for (const char* n : {"b1", "a1", "a2"}) ::close(::open((dir + "/" + n).c_str(), O_CREAT | O_WRONLY, 0600));
    ASSERT_EQ(::symlink((dir + "/a1").c_str(), (dir + "/link").c_str()), 0);
    ASSERT_EQ(::symlink((dir + "/fehlt").c_str(), (dir + "/tot").c_str()), 0);  // a device that went away
    const auto k = BoardKandidaten({dir + "/link", dir + "/a*", dir + "/b*", dir + "/tot", dir + "/nichts*"});
    EXPECT_EQ(k, (std::vector<std::string>{dir + "/a1", dir + "/a2", dir + "/b1"}));
    for (const char* n : {"b1", "a1", "a2", "link", "tot"}) ::unlink((dir + "/" + n).c_str());
    ::rmdir(dir.c_str());
    EXPECT_TRUE(SensorboardSuchen("auto"));
    EXPECT_TRUE(SensorboardSuchen(""));
    EXPECT_FALSE(SensorboardSuchen("/dev/ttyUSB0"));
}

TEST(ThreadedBoardScan, TakesTheBoardAmongOtherDevicesAndFindsItAgainAfterAnUnplug) {
    PtyBoards boards;
    auto& muell = boards.Add("ttyA0", PtyBoards::Art::Muell);
    auto& stumm = boards.Add("ttyA1", PtyBoards::Art::Stumm);
    auto& fremd = boards.Add("ttyA2", PtyBoards::Art::FremdeVersion);
    boards.Start();
    std::atomic<int64_t> clock{1'000'000'000};
    BoardReader reader("auto", [&] { return clock.load(); }, KurzeSuche(boards));
    reader.Ausgaenge(0x0F, 0x20);
    reader.Start();

    // No board yet: every candidate is named with what it did, and it goes on looking.
    std::string text;
    ASSERT_TRUE(WaitFor([&] {
        text = reader.Lesen().text;
        return text.find("Kein Sensorboard gefunden") != std::string::npos;
    }));
    EXPECT_NE(text.find(muell.pts + ": keine gültige Begrüßung"), std::string::npos) << text;
    EXPECT_NE(text.find(stumm.pts + ": antwortet nicht"), std::string::npos) << text;
    EXPECT_NE(text.find(fremd.pts + ": Das Sensorboard spricht Protokoll 2"), std::string::npos) << text;
    EXPECT_FALSE(reader.Lesen().verbunden);
    const int muellGefragt = muell.anfragen, stummGefragt = stumm.anfragen, fremdGefragt = fremd.anfragen;

    // The board is plugged in (last in the order): the next round takes it.
    auto& board = boards.Add("ttyA3", PtyBoards::Art::Board);
    ASSERT_TRUE(WaitFor([&] { return reader.Lesen().verbunden; }));
    // The devices found to be no board were not opened (and so not restarted) again.
    EXPECT_EQ(muell.anfragen, muellGefragt);
    EXPECT_EQ(stumm.anfragen, stummGefragt);
    EXPECT_EQ(fremd.anfragen, fremdGefragt);
    EXPECT_NE(reader.Lesen().text.find("verbunden an " + board.pts + " (Firmware 1.0, Board 00000007)"),
              std::string::npos)
        << reader.Lesen().text;
    // The edge that came with the hello is timed; nothing of the others is.
    BoardReader::Kante k;
    ASSERT_TRUE(WaitFor([&] { return reader.NaechsteKante(k); }));
    EXPECT_EQ(k.input, 4);
    EXPECT_FALSE(reader.NaechsteKante(k));
    // Commands only to the board; the others were asked for their hello and no more.
    ASSERT_TRUE(WaitFor([&] { return board.ausgaben > 0; }));
    EXPECT_EQ(muell.ausgaben + stumm.ausgaben + fremd.ausgaben, 0);
    EXPECT_GT(muell.anfragen, 0);
    EXPECT_GT(fremd.anfragen, 0);
    EXPECT_EQ(reader.Lesen().stats.badFrames, 0u);  // the others' garbage is not the board's

    // Unplugged, and back under another name (first in the order now).
    boards.Abziehen(board);
    ASSERT_TRUE(WaitFor([&] { return !reader.Lesen().verbunden; }));
    auto& wieder = boards.Add("ttyA00", PtyBoards::Art::Board);
    ASSERT_TRUE(WaitFor([&] { return reader.Lesen().verbunden; }));
    EXPECT_NE(reader.Lesen().text.find(wieder.pts), std::string::npos) << reader.Lesen().text;
    ASSERT_TRUE(WaitFor([&] { return reader.NaechsteKante(k); }));
    EXPECT_EQ(k.input, 4);
    reader.Stop();
}

// A device this program already uses (the display boards' line) is never
// asked: a hello request would reach the display boards.
TEST(ThreadedBoardScan, ALineInUseIsSkipped) {
    PtyBoards boards;
    auto& belegt = boards.Add("ttyB0", PtyBoards::Art::Board);
    boards.Start();
    int befund = 0;
    std::string fehler;
    const int anzeige = SerielleSchnittstelleOeffnen(belegt.pts, befund, fehler);
    ASSERT_GE(anzeige, 0) << fehler;
    BoardReader reader("auto", {}, KurzeSuche(boards));
    reader.Start();
    std::string text;
    ASSERT_TRUE(WaitFor([&] {
        text = reader.Lesen().text;
        return text.find("Kein Sensorboard gefunden") != std::string::npos;
    }));
    EXPECT_NE(text.find(belegt.pts + ": von einem anderen Programm belegt"), std::string::npos) << text;
    reader.Stop();
    EXPECT_EQ(belegt.anfragen, 0);
    ::close(anzeige);
}

TEST(ThreadedBoardScan, WithoutAnyDeviceTheStatusSaysSo) {
    PtyBoards boards;  // an empty folder
    BoardReader reader("", {}, KurzeSuche(boards));
    reader.Start();
    ASSERT_TRUE(WaitFor([&] { return reader.Lesen().text.find("kein USB-Seriell-Gerät") != std::string::npos; }))
        << reader.Lesen().text;
    reader.Stop();
}

}  // namespace
