// The audio output through SDL2: the system's default sound device (PulseAudio,
// PipeWire or ALSA, as SDL finds them). SDL_AUDIODRIVER=disk with
// SDL_DISKAUDIOFILE=PATH writes the samples to a file instead (tests, a PC
// without sound card). The device runs at 22050 Hz mono 16 bit where it can;
// clips of another format are converted when they are played.
#pragma once

#include <cstdint>

#include "devices/AudioOutput.h"

namespace zk {

class SdlAudioOutput final : public AudioOutput {
public:
    SdlAudioOutput() = default;
    ~SdlAudioOutput() override;
    SdlAudioOutput(const SdlAudioOutput&) = delete;
    SdlAudioOutput& operator=(const SdlAudioOutput&) = delete;

    bool Open(std::string& error) override;
    void Close() override;
    bool Play(const PcmClip& clip) override;
    void Prepare(PcmClip& clip) override;
    bool Playing() override;

private:
    uint32_t device_ = 0;
    bool subsystem_ = false;
    int rate_ = 0, channels_ = 0;
    uint16_t format_ = 0;
};

}  // namespace zk
