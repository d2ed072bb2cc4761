// Spoken lap times. The lap evaluation queues each lap (AnsageEinreihen); the
// 100 ms cycle calls AnsageTakt while laps wait, which starts the next
// announcement: the clip of the whole seconds, then one clip per decimal digit
// ([Kavelin Extension] AudioNumDigits clips in all, 2..4). When a clip has
// finished, ClipPoll (UI thread, between the cycles) starts the next digit. After
// each announcement three cycles pass before the next one starts.
//
// Clip table: 0..39 the numbers "0.wav" .. "39.wav", 40 a second "39.wav",
// 41 "Start.wav", 42 "1Min.wav", 43 "30s.wav", 44 "10s.wav", 45 "5s.wav". Each
// file is taken from the first sound folder that holds it (the user's own
// recordings in the data directory first, then the clips that ship). A missing
// or unreadable file leaves its clip silent: the announcement goes on without it.
//
// Without an audio output the status bar says so once and nothing is announced
// for the rest of the run; laps are not queued up meanwhile.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "devices/AudioOutput.h"
#include "race/Components.h"

namespace zk {

class RaceContext;

inline constexpr int kClipAnzahl = 46;

// File name of clip 0..45 in a sound folder.
std::string ClipDatei(int clip);

class Zeitansage final : public Announcer {
public:
    Zeitansage(RaceContext& sys, AudioOutput& out) : sys_(sys), out_(out) {}

    // The folders the clips are looked up in, first one first.
    void SetSoundDirs(std::vector<std::string> dirs) { dirs_ = std::move(dirs); }
    const std::vector<std::string>& SoundDirs() const { return dirs_; }

    // Opens the output and loads the clip table, once per run (later calls
    // return the first result). AudioNumDigits outside 2..4 becomes 2. Called at
    // start-up when [Audio] Zeitansage is 1, else on first use.
    bool SoundInit();
    // Loads the clip table again (after the user has changed sound files).
    void LoadClips();

    void AnsageTakt() override;
    // The end of a clip: polled on the UI thread between the cycles (every
    // millisecond in the scenario replay).
    void ClipPoll();

    // Plays a sound file through the same output (the sound-file windows). A
    // running announcement is cut short. false when it cannot be played.
    bool Vorhoeren(const std::string& path);

    // The first sound folder that holds `name`; "" when none does.
    std::string FindSound(const std::string& name) const;

    bool Ausgefallen() const { return ausgefallen_; }
    const PcmClip& Clip(int n) const { return clips_[static_cast<size_t>(n)]; }

    // Announcer state (UI thread).
    int16_t AnsageLaeuft = 0;  // set while an announcement plays
    int16_t AnsageFertig = 0;  // set after an announcement: the gap counter runs
    uint8_t AnsagePause = 0;   // cycles to wait before the next announcement
    uint8_t AnsageClipNr = 0;  // clips of the current announcement played
    int32_t AnsageSekunden = 0;
    std::array<uint8_t, 3> AnsageZiffern{};  // tenths, hundredths, thousandths
    int16_t SoundInitialisiert = 0;

private:
    void SpieleClip(int clip);
    void ClipEnde();
    void ErsteEntfernen();
    int Stellen() const;

    RaceContext& sys_;
    AudioOutput& out_;
    std::vector<std::string> dirs_;
    std::array<PcmClip, kClipAnzahl> clips_{};
    bool versucht_ = false;
    bool ausgefallen_ = false;
    bool clipLaeuft_ = false;  // a clip of the announcement plays (not an audition)
    int stellen_ = 2;          // clips of the current announcement
};

}  // namespace zk
