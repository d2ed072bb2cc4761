#include "devices/SdlAudioOutput.h"

#include <SDL.h>

namespace zk {

SdlAudioOutput::~SdlAudioOutput() { Close(); }

bool SdlAudioOutput::Open(std::string& error) {
    if (device_ != 0) return true;
    // The program handles its own signals; SDL must not take SIGINT/SIGTERM.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        error = SDL_GetError();
        return false;
    }
    subsystem_ = true;
    SDL_AudioSpec want{}, have{};
    want.freq = 22050;
    want.format = AUDIO_S16SYS;
    want.channels = 1;
    want.samples = 512;
    device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have,
                                  SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_CHANNELS_CHANGE);
    if (device_ == 0) {
        error = SDL_GetError();
        Close();
        return false;
    }
    rate_ = have.freq;
    channels_ = have.channels;
    format_ = have.format;
    SDL_PauseAudioDevice(device_, 0);
    return true;
}

void SdlAudioOutput::Close() {
    if (device_ != 0) SDL_CloseAudioDevice(device_);
    device_ = 0;
    if (subsystem_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    subsystem_ = false;
}

bool SdlAudioOutput::Play(const PcmClip& clip) {
    if (device_ == 0 || clip.Empty()) return false;
    SDL_ClearQueuedAudio(device_);
    const int bytes = static_cast<int>(clip.samples.size() * sizeof(int16_t));
    if (clip.rate == rate_ && clip.channels == channels_ && format_ == AUDIO_S16SYS)
        return SDL_QueueAudio(device_, clip.samples.data(), static_cast<uint32_t>(bytes)) == 0;
    SDL_AudioStream* conv =
        SDL_NewAudioStream(AUDIO_S16SYS, static_cast<uint8_t>(clip.channels), clip.rate, format_,
                           static_cast<uint8_t>(channels_), rate_);
    if (!conv) return false;
    bool ok = SDL_AudioStreamPut(conv, clip.samples.data(), bytes) == 0 && SDL_AudioStreamFlush(conv) == 0;
    std::vector<uint8_t> buf(static_cast<size_t>(SDL_AudioStreamAvailable(conv)));
    if (ok && !buf.empty()) {
        const int got = SDL_AudioStreamGet(conv, buf.data(), static_cast<int>(buf.size()));
        ok = got > 0 && SDL_QueueAudio(device_, buf.data(), static_cast<uint32_t>(got)) == 0;
    }
    SDL_FreeAudioStream(conv);
    return ok;
}

void SdlAudioOutput::Prepare(PcmClip& clip) {
    if (device_ == 0 || clip.Empty() || format_ != AUDIO_S16SYS) return;
    if (clip.rate == rate_ && clip.channels == channels_) return;
    SDL_AudioStream* conv = SDL_NewAudioStream(AUDIO_S16SYS, static_cast<uint8_t>(clip.channels), clip.rate,
                                               AUDIO_S16SYS, static_cast<uint8_t>(channels_), rate_);
    if (!conv) return;
    const int bytes = static_cast<int>(clip.samples.size() * sizeof(int16_t));
    if (SDL_AudioStreamPut(conv, clip.samples.data(), bytes) == 0 && SDL_AudioStreamFlush(conv) == 0) {
        std::vector<int16_t> out(static_cast<size_t>(SDL_AudioStreamAvailable(conv)) / sizeof(int16_t));
        const int got = out.empty() ? 0 : SDL_AudioStreamGet(conv, out.data(), static_cast<int>(out.size() * 2));
        if (got > 0) {
            out.resize(static_cast<size_t>(got) / sizeof(int16_t));
            clip.samples = std::move(out);
            clip.rate = rate_;
            clip.channels = channels_;
        }
    }
    SDL_FreeAudioStream(conv);
}

bool SdlAudioOutput::Playing() { return device_ != 0 && SDL_GetQueuedAudioSize(device_) > 0; }

}  // namespace zk
