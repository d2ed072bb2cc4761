// The spectators' snapshot: what the web pages show is what the lap windows
// and the result show (standings, gaps, banner), the chart's lap times, and a
// new snapshot goes to the server only when the race changed.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "TestRig.h"
#include "race/RaceModes.h"
#include "race/RaceResult.h"
#include "system/LiveSnapshot.h"

using namespace zk;
using namespace zk::test;
using nlohmann::json;

namespace {

struct LiveRig : Rig {
    LiveRig() {
        StandardWiring();
        for (int l = 1; l <= 8; ++l) sys.cfg.AktiveSpuren.Spur[l] = l <= 4 ? 1 : 0;
        Init();
        sys.st.AktZeit = 10000;
    }
    // A crossing of `lane` at `t`, evaluated as the cycle does.
    void Cross(int lane, int32_t t) {
        sys.st.Durchfahrt[lane] = t;
        if (!sys.st.ErsteDurchfahrt[lane]) ++sys.st.Erfasst[lane];
        sys.st.RundeOffen[lane] = true;
        EvaluateLaps(sys);
    }
    json Snap() { return json::parse(LiveSnapshotJson(sys, &sys.ClubRace())); }
};

struct RecordingServer : LiveServer {
    bool running = true;
    std::vector<std::string> got;
    bool Running() const override { return running; }
    void Publish(const std::string& s) override { got.push_back(s); }
};

}  // namespace

TEST(LiveSnapshot, StandingsGapsAndBannerAreThoseOfTheWindows) {
    LiveRig r;
    ASSERT_TRUE(ChooseRaceMode(r.sys, 1));  // lap race, 10 laps
    r.Green();
    r.sys.cfg.Farben.TS[2] = Rgb{255, 0, 16};  // the lane's colour, as its number shows in the lap windows
    // Laps are timed from green (10000). Lane 2: laps of 5.1 and 4.5 s; lane 1
    // one lap; lane 3 two laps, 0.55 s behind lane 2 in total.
    r.Cross(2, 10100);
    r.Cross(1, 10200);
    r.Cross(3, 10300);
    r.Cross(2, 15100);
    r.Cross(1, 16200);
    r.Cross(3, 15400);
    r.Cross(2, 19600);
    r.Cross(3, 20150);

    const json j = r.Snap();
    const Banner b = BannerBerechnen(r.sys);
    EXPECT_EQ(j["banner"]["text"], b.text);
    EXPECT_EQ(j["banner"]["zeile"], b.zeile);
    EXPECT_EQ(j["banner"]["text"], "RENNEN");
    EXPECT_EQ(j["restRunden"], 8);
    ASSERT_EQ(j["stand"].size(), 4u);  // lane 4 takes part without a lap: last
    EXPECT_EQ(j["stand"][3]["spur"], 4);
    const json& p1 = j["stand"][0];
    EXPECT_EQ(p1["spur"], 2);
    EXPECT_EQ(p1["platz"], 1);
    EXPECT_EQ(p1["runden"], 2);
    EXPECT_EQ(p1["letzte"], 4500);
    EXPECT_EQ(p1["beste"], 4500);
    EXPECT_EQ(p1["farbe"], "#ff0010");
    EXPECT_FALSE(p1.contains("abstandMs"));
    EXPECT_EQ(j["stand"][1]["spur"], 3);
    EXPECT_EQ(j["stand"][1]["abstandMs"], 550);
    EXPECT_EQ(j["stand"][2]["spur"], 1);
    EXPECT_EQ(j["stand"][2]["abstandRunden"], 1);
    EXPECT_FALSE(j["tank"].get<bool>());
    EXPECT_FALSE(p1.contains("tankProzent"));
    EXPECT_TRUE(j["club"].is_null());
    // The standings are the result's, in its order and with its names.
    const RennErgebnis e = ErgebnisBerechnen(r.sys);
    for (size_t i = 0; i < e.zeilen.size(); ++i) {
        EXPECT_EQ(j["stand"][i]["spur"], e.zeilen[i].spur);
        EXPECT_EQ(j["stand"][i]["fahrer"], e.zeilen[i].fahrer);
    }
}

TEST(LiveSnapshot, ChartCarriesTheNewestLapsWithoutCorrections) {
    LiveRig r;
    r.Green();
    int32_t t = 10000;
    r.Cross(4, t);
    const int n = kLiveChartLaps + 30;
    for (int i = 1; i <= n; ++i) r.Cross(4, t += 3000 + i);
    r.sys.record.laps.AddCorrection(4, t, +1, LapOrigin::DirectorPlus);
    const json j = r.Snap();
    ASSERT_EQ(j["kurven"].size(), 1u);
    const json& k = j["kurven"][0];
    EXPECT_EQ(k["spur"], 4);
    ASSERT_EQ(k["zeiten"].size(), static_cast<size_t>(kLiveChartLaps));
    EXPECT_EQ(k["ab"], n - kLiveChartLaps + 1);
    EXPECT_EQ(k["zeiten"].back(), 3000 + n);   // newest last
    EXPECT_EQ(k["zeiten"].front(), 3000 + n - kLiveChartLaps + 1);
    EXPECT_EQ(j["stand"][0]["runden"], n + 1);  // the correction counts in the standings only
}

TEST(LiveSnapshot, TimeRaceFuelAndOddNamesGiveValidJson) {
    LiveRig r;
    ASSERT_TRUE(ChooseRaceMode(r.sys, 2));  // time race
    r.sys.st.fahrer.SpurFahrer[1] = std::string("Jörg \"Blitz\" \\ <b>\xff\xfe");
    r.sys.st.tank.TankAktiv = 1;
    r.sys.cfg.Tankoption.Tankoption = 1;
    r.sys.cfg.Tankoption.Tankinhalt = 200;
    r.Green();
    r.Cross(1, 10100);
    r.Cross(1, 15100);
    r.sys.st.tank.TankStand[1] = 50;
    const json j = r.Snap();  // parses: the invalid bytes are replaced
    EXPECT_EQ(j["rest"], LesbarerCountdown(r.sys.st.rennen.RestStunden, r.sys.st.rennen.RestMinuten, r.sys.st.rennen.RestSekunden));
    EXPECT_FALSE(j.contains("restRunden"));
    ASSERT_EQ(j["stand"][0]["spur"], 1);
    EXPECT_EQ(j["stand"][0]["tankProzent"], 25);
    const std::string name = j["stand"][0]["fahrer"];
    EXPECT_EQ(name.rfind("Jörg \"Blitz\" \\ <b>", 0), 0u);
}

TEST(LiveSnapshot, PublishedOnlyWhileServingAndOnlyWhenChanged) {
    LiveRig r;
    RecordingServer server;
    server.running = false;
    r.sys.SetLive(&server);
    EXPECT_FALSE(r.sys.PublishLive());
    server.running = true;
    EXPECT_TRUE(r.sys.PublishLive());
    EXPECT_FALSE(r.sys.PublishLive());  // nothing changed
    r.Green();
    r.Cross(1, 10100);
    r.Cross(1, 15100);
    EXPECT_TRUE(r.sys.PublishLive());
    EXPECT_FALSE(r.sys.PublishLive());
    ASSERT_EQ(server.got.size(), 2u);
    EXPECT_EQ(json::parse(server.got.back())["stand"][0]["runden"], 1);
    // A server started again gets the current snapshot at once.
    server.running = false;
    EXPECT_FALSE(r.sys.PublishLive());
    server.running = true;
    EXPECT_TRUE(r.sys.PublishLive());
    r.sys.SetLive(nullptr);
    EXPECT_FALSE(r.sys.PublishLive());
}
