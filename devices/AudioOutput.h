// The audio output the announcer plays its clips through, and the clips: 16-bit
// PCM read from WAV files. One clip plays at a time; the output is asked on the
// UI thread whether the clip it started last is still playing (no callback ever
// reaches the race code from the audio thread).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/Clock.h"

namespace zk {

// One clip: interleaved signed 16-bit samples.
struct PcmClip {
    int rate = 0;
    int channels = 0;
    std::vector<int16_t> samples;

    bool Empty() const { return samples.empty() || rate <= 0 || channels <= 0; }
    int64_t Frames() const { return channels > 0 ? static_cast<int64_t>(samples.size()) / channels : 0; }
    // Length in whole milliseconds, rounded up.
    int32_t DurationMs() const;
};

// Largest WAV file read (a spoken number is a few hundred kilobytes) and the
// longest clip taken (a spoken number or countdown lasts one to three seconds).
inline constexpr int64_t kMaxWavBytes = 8 * 1024 * 1024;
inline constexpr int64_t kMaxClipMs = 10000;

// Reads a RIFF/WAVE file of uncompressed 8- or 16-bit PCM, mono or stereo, any
// rate. Returns false (with a German reason) for anything else, a damaged file,
// one larger than kMaxWavBytes or a clip longer than kMaxClipMs; `out` is then
// empty.
bool LoadWav(const std::string& path, PcmClip& out, std::string* error = nullptr);

// Writes `clip` as a 16-bit PCM WAV file (test clips, tools).
bool SaveWav(const std::string& path, const PcmClip& clip);

// The do-nothing output: there is none.
class AudioOutput {
public:
    virtual ~AudioOutput() = default;
    // Opens the output; false with a reason when the PC has none usable.
    virtual bool Open(std::string& error) {
        error = "kein Audiogerät";
        return false;
    }
    virtual void Close() {}
    // Plays `clip` once from its start, in place of whatever plays; false when
    // it cannot.
    virtual bool Play(const PcmClip& /*clip*/) { return false; }
    // Converts a loaded clip once into the form the output plays as it is, so
    // that Play has nothing to convert. Called after Open.
    virtual void Prepare(PcmClip& /*clip*/) {}
    // Whether the clip started last is still playing.
    virtual bool Playing() { return false; }
};

// An output on a clock, without sound: a clip plays for its real duration on
// that clock (the scenario replay, tests).
class ClockedAudioOutput final : public AudioOutput {
public:
    explicit ClockedAudioOutput(MsClock& clock) : clock_(clock) {}
    bool Open(std::string&) override { return true; }
    bool Play(const PcmClip& clip) override;
    bool Playing() override;

private:
    MsClock& clock_;
    int32_t start_ = 0;
    int32_t duration_ = 0;
    bool playing_ = false;
};

}  // namespace zk
