// Spoken lap times through the real tick, the 100 ms cycle and the clip-end
// poll between the cycles, with test clips of known length; and once through
// SDL's disk driver into a file whose samples say which clips were played.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "TestRig.h"
#include "devices/SdlAudioOutput.h"
#include "race/AnsageQueue.h"
#include "race/RaceSequence.h"
#include "race/Zeitansage.h"

namespace zk::test {
namespace {

namespace fs = std::filesystem;

// Clip n: `ms(n)` long at 22050 Hz mono; its first sample is -(n+1)*100, every
// other one +(n+1)*100, so a recording of the output shows where each clip starts.
fs::path MakeClips(const std::string& tag, int (*ms)(int)) {
    const fs::path dir = fs::temp_directory_path() / ("zk-clips-" + tag + "-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    for (int n = 0; n < kClipAnzahl; ++n) {
        PcmClip c{22050, 1, {}};
        c.samples.assign(static_cast<size_t>(22050 * ms(n) / 1000), static_cast<int16_t>((n + 1) * 100));
        c.samples[0] = static_cast<int16_t>(-(n + 1) * 100);
        if (n == 40) continue;  // a second 39.wav
        EXPECT_TRUE(SaveWav((dir / ClipDatei(n)).string(), c));
    }
    return dir;
}
int RigClipMs(int n) { return 200 + 10 * n; }

struct AnnouncerRig : Rig {
    ClockedAudioOutput audio{clock};
    Zeitansage ansage{sys, audio};
    std::vector<std::pair<int32_t, int>> started;  // (ms, clip)

    explicit AnnouncerRig(int digits, const fs::path& clips) {
        StandardWiring();
        for (int l = 1; l <= 8; ++l) sys.cfg.AktiveSpuren.Spur[l] = 1;
        sys.cfg.Audio.Zeitansage = 1;
        sys.cfg.KavelinExtension.AudioNumDigits = static_cast<uint8_t>(digits);
        sys.SetAnnouncer(&ansage);
        ansage.SetSoundDirs({clips.string()});
        // A clip starts either in the poll after a tick (the one before has
        // ended) or in the cycle (a new lap); each is noted at that millisecond.
        afterTick = [this] {
            ansage.ClipPoll();
            NoteStarts();
        };
        cycle = [this] {
            MainLoopCycle(sys);
            NoteStarts();
        };
        Init();
        sys.st.ansage.AnsageAktiv = 1;
    }
    std::vector<int> Clips() const { return rec.clips; }
    void NoteStarts() {
        while (started.size() < rec.clips.size()) started.emplace_back(now, rec.clips[started.size()]);
    }
};

const fs::path& Clips() {
    static const fs::path dir = MakeClips("rig", RigClipMs);
    return dir;
}

TEST(Announcer, LapOfTheTrackIsSpokenWithTwoThreeOrFourClips) {
    const std::vector<std::vector<int>> want = {{12, 3}, {12, 3, 4}, {12, 3, 4, 5}};
    for (int digits = 2; digits <= 4; ++digits) {
        AnnouncerRig r(digits, Clips());
        r.Green();
        r.RunTo(999);
        r.Hold(1, 20);  // start crossing at 1000: reaction time only
        r.RunTo(12344);
        r.Hold(1, 20);  // first lap, timed from green: 12.345 s
        r.RunTo(20000);
        ASSERT_EQ(r.rec.laps, std::vector<int>{1});
        EXPECT_EQ(r.Clips(), want[digits - 2]) << digits;
        // Seconds start in the cycle that evaluated the lap; each digit follows
        // the end of the clip before it.
        ASSERT_FALSE(r.started.empty());
        EXPECT_EQ(r.started[0].first, 12400);
        for (size_t i = 1; i < r.started.size(); ++i)
            EXPECT_EQ(r.started[i].first, r.started[i - 1].first + RigClipMs(r.started[i - 1].second));
        EXPECT_EQ(r.sys.st.ansage.AnsageAnzahl, 0);
        EXPECT_EQ(r.ansage.AnsageLaeuft, 0);
    }
}

TEST(Announcer, FortySecondsSkippedGapOfThreeCyclesFullQueue) {
    AnnouncerRig r(4, Clips());
    AnsageEinreihen(r.sys.st, 39999);
    AnsageEinreihen(r.sys.st, 40000);
    AnsageEinreihen(r.sys.st, 7010);
    r.RunTo(10000);
    EXPECT_EQ(r.Clips(), (std::vector<int>{39, 9, 9, 9, 7, 0, 1, 0}));
    // 39 9 9 9 ends at 100 + 590 + 3 * 290 = 1560; complete at 1600; the 40 s
    // lap is dropped three cycles later at 1900, the next lap starts at 2000.
    ASSERT_EQ(r.started.size(), 8u);
    EXPECT_EQ(r.started[4].first, 2000);

    // A full queue: the 20 waiting laps are all spoken, in order; more are dropped.
    AnnouncerRig q(2, Clips());
    for (int i = 0; i < 25; ++i) AnsageEinreihen(q.sys.st, 10000 + i * 1000 + (i % 10) * 100);
    q.RunTo(60000);
    ASSERT_EQ(q.Clips().size(), 40u);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(q.Clips()[2 * i], 10 + i);
        EXPECT_EQ(q.Clips()[2 * i + 1], i % 10);
    }
}

TEST(Announcer, AutoOffSilencesRacesButNotTraining) {
    for (const auto mode : {Rennart::Training, Rennart::Rundenrennen}) {
        AnnouncerRig r(2, Clips());
        r.sys.cfg.Audio.AutoOff = 1;
        r.sys.st.rennen.Rennmodus = mode;
        r.sys.st.rennen.RennRunden = 10;
        StartRace(r.sys);
        EXPECT_EQ(r.sys.st.ansage.AnsageAktiv, mode == Rennart::Training ? 1 : 0);
    }
}

TEST(Announcer, MissingClipStaysSilentAndTheNextLapStillFollows) {
    const fs::path dir = MakeClips("missing", RigClipMs);
    fs::remove(dir / "3.wav");
    AnnouncerRig r(3, dir);
    AnsageEinreihen(r.sys.st, 12345);
    AnsageEinreihen(r.sys.st, 8765);
    r.RunTo(5000);
    EXPECT_EQ(r.Clips(), (std::vector<int>{12, 4, 8, 7, 6}));
    EXPECT_EQ(r.sys.st.ansage.AnsageAnzahl, 0);

    // A setting changed in the middle of an announcement applies to the next.
    AnnouncerRig c(4, dir);
    AnsageEinreihen(c.sys.st, 12345);
    AnsageEinreihen(c.sys.st, 5678);
    c.RunTo(650);  // clip 12 done, 4 plays
    c.sys.cfg.KavelinExtension.AudioNumDigits = 2;
    c.RunTo(5000);
    EXPECT_EQ(c.Clips(), (std::vector<int>{12, 4, 5, 5, 6}));
    EXPECT_EQ(c.sys.st.ansage.AnsageAnzahl, 0);
}

TEST(Announcer, NoAudioDeviceSaysSoOnceAndKeepsTheSetting) {
    AudioOutput none;
    Rig r;
    r.sys.cfg.Audio.Zeitansage = 1;
    r.sys.cfg.KavelinExtension.AudioNumDigits = 7;
    Zeitansage a(r.sys, none);
    r.sys.SetAnnouncer(&a);
    r.Init();
    for (int i = 0; i < 3; ++i) AnsageEinreihen(r.sys.st, 12345);
    r.RunTo(1000);
    AnsageEinreihen(r.sys.st, 12345);
    r.RunTo(2000);
    EXPECT_EQ(r.rec.statusLines.size(), 1u);
    EXPECT_EQ(r.sys.st.ansage.AnsageAnzahl, 0);
    EXPECT_EQ(r.sys.cfg.Audio.Zeitansage, 1);
    EXPECT_EQ(r.sys.cfg.KavelinExtension.AudioNumDigits, 2);
    EXPECT_TRUE(r.rec.clips.empty());
}

// The real library: SDL's disk driver writes the device's samples to a file.
TEST(Announcer, SdlDiskDriverPlaysExactlyTheAnnouncedClips) {
    const fs::path dir = MakeClips("sdl", [](int n) { return 40 + 2 * n; });
    const fs::path out = dir / "out.raw";
    ::setenv("SDL_AUDIODRIVER", "disk", 1);
    ::setenv("SDL_DISKAUDIOFILE", out.c_str(), 1);
    {
        SdlAudioOutput sdl;
        Rig r;
        r.sys.cfg.Audio.Zeitansage = 1;
        r.sys.cfg.KavelinExtension.AudioNumDigits = 4;
        Zeitansage a(r.sys, sdl);
        a.SetSoundDirs({dir.string()});
        r.sys.SetAnnouncer(&a);
        r.Init();
        ASSERT_TRUE(a.SoundInit()) << (r.rec.statusLines.empty() ? "" : r.rec.statusLines[0]);
        AnsageEinreihen(r.sys.st, 12345);
        AnsageEinreihen(r.sys.st, 40000);
        AnsageEinreihen(r.sys.st, 39999);
        // Real time for the output: poll every 5 ms, a cycle every 100 ms.
        for (int i = 0; i < 2000 && (r.sys.st.ansage.AnsageAnzahl > 0 || sdl.Playing()); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            a.ClipPoll();
            if (i % 20 == 19) MainLoopCycle(r.sys);
        }
        EXPECT_EQ(r.sys.st.ansage.AnsageAnzahl, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    std::vector<int16_t> samples;
    {
        std::ifstream g(out, std::ios::binary);
        int16_t v;
        while (g.read(reinterpret_cast<char*>(&v), 2)) samples.push_back(v);
    }
    std::vector<int> heard;
    size_t nonSilent = 0, expectedLength = 0;
    for (size_t i = 0; i < samples.size(); ++i) {
        if (samples[i] != 0) ++nonSilent;
        if (samples[i] < 0) {
            const int n = -samples[i] / 100 - 1;
            heard.push_back(n);
            expectedLength += static_cast<size_t>(22050 * (40 + 2 * n) / 1000);
            for (size_t k = 1; k < static_cast<size_t>(22050 * (40 + 2 * n) / 1000) && i + k < samples.size(); ++k)
                ASSERT_EQ(samples[i + k], (n + 1) * 100) << "clip " << n << " cut at sample " << k;
        }
    }
    EXPECT_EQ(heard, (std::vector<int>{12, 3, 4, 5, 39, 9, 9, 9}));
    EXPECT_EQ(nonSilent, expectedLength);
    fs::remove_all(dir);
}

}  // namespace
}  // namespace zk::test

namespace zk::test {
namespace {

// A valid but hours-long WAV (32 MiB at 1000 Hz) as a clip is refused with a
// reason instead of being loaded and resampled at every play.
TEST(SoundClip, OverlongClipRefusedWithReason) {
    std::string tmpl = (fs::temp_directory_path() / "zk-clip-XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    const fs::path d = tmpl;
    PcmClip longClip{1000, 1, std::vector<int16_t>(12 * 1000, 100)};  // 12 s
    ASSERT_TRUE(SaveWav((d / "lang.wav").string(), longClip));
    PcmClip out;
    std::string why;
    EXPECT_FALSE(LoadWav((d / "lang.wav").string(), out, &why));
    EXPECT_TRUE(out.Empty());
    EXPECT_NE(why.find("zu lang"), std::string::npos) << why;
    PcmClip shortClip{22050, 1, std::vector<int16_t>(22050 * 2, 100)};  // 2 s
    ASSERT_TRUE(SaveWav((d / "kurz.wav").string(), shortClip));
    EXPECT_TRUE(LoadWav((d / "kurz.wav").string(), out, &why)) << why;
    EXPECT_EQ(out.DurationMs(), 2000);
    // A file beyond the size limit is refused before it is read.
    std::ofstream((d / "gross.wav").string()) << "RIFF";
    fs::resize_file(d / "gross.wav", static_cast<uintmax_t>(kMaxWavBytes) + 1);
    EXPECT_FALSE(LoadWav((d / "gross.wav").string(), out, &why));
    fs::remove_all(d);
}

}  // namespace
}  // namespace zk::test
