#include "devices/AudioOutput.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <algorithm>

#include "base/Shared.h"

namespace zk {

int32_t PcmClip::DurationMs() const {
    if (Empty()) return 0;
    return static_cast<int32_t>((Frames() * 1000 + rate - 1) / rate);
}

namespace {

uint32_t Le32(const unsigned char* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t{p[3]} << 24); }
uint16_t Le16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

bool Fail(std::string* error, const char* why, PcmClip& out) {
    out = PcmClip{};
    if (error) *error = why;
    return false;
}

void Put16(std::string& b, uint16_t v) {
    b += static_cast<char>(v & 0xFF);
    b += static_cast<char>(v >> 8);
}
void Put32(std::string& b, uint32_t v) {
    Put16(b, static_cast<uint16_t>(v & 0xFFFF));
    Put16(b, static_cast<uint16_t>(v >> 16));
}

}  // namespace

bool LoadWav(const std::string& path, PcmClip& out, std::string* error) {
    out = PcmClip{};
    std::ifstream f(path, std::ios::binary);
    if (!f) return Fail(error, "Datei nicht lesbar", out);
    f.seekg(0, std::ios::end);
    const std::streamoff size = f.tellg();
    if (size < 0 || size > kMaxWavBytes) return Fail(error, "Datei zu groß", out);
    f.seekg(0);
    std::vector<unsigned char> d(static_cast<size_t>(size));
    if (size > 0 && !f.read(reinterpret_cast<char*>(d.data()), size)) return Fail(error, "Datei nicht lesbar", out);
    if (d.size() < 12 || std::memcmp(d.data(), "RIFF", 4) != 0 || std::memcmp(d.data() + 8, "WAVE", 4) != 0)
        return Fail(error, "keine WAV-Datei", out);

    int format = 0, channels = 0, bits = 0;
    uint32_t rate = 0;
    bool haveFmt = false;
    size_t pos = 12;
    while (pos + 8 <= d.size()) {
        const unsigned char* h = d.data() + pos;
        const size_t avail = d.size() - pos - 8;
        // A streamed file may give its data chunk an impossible length; take
        // what is there.
        const size_t len = std::min<size_t>(Le32(h + 4), avail);
        const unsigned char* body = h + 8;
        if (std::memcmp(h, "fmt ", 4) == 0) {
            if (len < 16) return Fail(error, "WAV-Kopf beschädigt", out);
            format = Le16(body);
            channels = Le16(body + 2);
            rate = Le32(body + 4);
            bits = Le16(body + 14);
            // WAVE_FORMAT_EXTENSIBLE: the sub-format's first word says PCM.
            if (format == 0xFFFE && len >= 26) format = Le16(body + 24);
            haveFmt = true;
        } else if (std::memcmp(h, "data", 4) == 0) {
            if (!haveFmt) return Fail(error, "WAV-Kopf fehlt", out);
            if (format != 1 || (bits != 8 && bits != 16) || channels < 1 || channels > 2 || rate < 1000 ||
                rate > 192000)
                return Fail(error, "WAV-Format nicht unterstützt (nur PCM 8/16 Bit, Mono/Stereo)", out);
            const size_t frameBytes = static_cast<size_t>(channels) * (bits / 8);
            const size_t frames = len / frameBytes;
            if (static_cast<int64_t>(frames) * 1000 > kMaxClipMs * static_cast<int64_t>(rate))
                return Fail(error, "Klang zu lang (höchstens 10 Sekunden)", out);
            out.rate = static_cast<int>(rate);
            out.channels = channels;
            out.samples.resize(frames * channels);
            for (size_t i = 0; i < out.samples.size(); ++i) {
                out.samples[i] = bits == 16 ? static_cast<int16_t>(Le16(body + 2 * i))
                                            : static_cast<int16_t>((body[i] - 128) << 8);
            }
            if (out.Empty()) return Fail(error, "WAV-Datei ohne Klang", out);
            return true;
        }
        pos += 8 + len + (len & 1);
    }
    return Fail(error, "WAV-Datei ohne Daten", out);
}

bool SaveWav(const std::string& path, const PcmClip& clip) {
    const uint32_t bytes = static_cast<uint32_t>(clip.samples.size() * 2);
    std::string b = "RIFF";
    Put32(b, 36 + bytes);
    b += "WAVEfmt ";
    Put32(b, 16);
    Put16(b, 1);
    Put16(b, static_cast<uint16_t>(clip.channels));
    Put32(b, static_cast<uint32_t>(clip.rate));
    Put32(b, static_cast<uint32_t>(clip.rate * clip.channels * 2));
    Put16(b, static_cast<uint16_t>(clip.channels * 2));
    Put16(b, 16);
    b += "data";
    Put32(b, bytes);
    for (int16_t s : clip.samples) Put16(b, static_cast<uint16_t>(s));
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(b.data(), static_cast<std::streamsize>(b.size()));
    return static_cast<bool>(f.flush());
}

bool ClockedAudioOutput::Play(const PcmClip& clip) {
    if (clip.Empty()) return playing_ = false;
    start_ = clock_.NowMs();
    duration_ = clip.DurationMs();
    return playing_ = true;
}

bool ClockedAudioOutput::Playing() {
    if (playing_ && TimeDiff(clock_.NowMs(), start_) >= duration_) playing_ = false;
    return playing_;
}

}  // namespace zk
