#include "race/Zeitansage.h"

#include <sys/stat.h>

#include "race/Race.h"

namespace zk {

std::string ClipDatei(int clip) {
    static const char* const kCountdown[] = {"Start.wav", "1Min.wav", "30s.wav", "10s.wav", "5s.wav"};
    if (clip >= 0 && clip <= 39) return std::to_string(clip) + ".wav";
    if (clip == 40) return "39.wav";
    if (clip >= 41 && clip < kClipAnzahl) return kCountdown[clip - 41];
    return {};
}

std::string Zeitansage::FindSound(const std::string& name) const {
    if (name.empty() || name.find('/') != std::string::npos) return {};
    for (const std::string& d : dirs_) {
        const std::string p = d + "/" + name;
        struct stat st {};
        if (::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return p;
    }
    return {};
}

int Zeitansage::Stellen() const {
    const int d = sys_.cfg.KavelinExtension.AudioNumDigits;
    return d >= 2 && d <= 4 ? d : 2;
}

void Zeitansage::LoadClips() {
    std::string refused;
    for (int i = 0; i < kClipAnzahl; ++i) {
        PcmClip& clip = clips_[static_cast<size_t>(i)];
        const std::string p = FindSound(ClipDatei(i));
        std::string why;
        if (p.empty()) {
            clip = PcmClip{};
        } else if (!LoadWav(p, clip, &why)) {
            if (refused.empty()) refused = p + ": " + why;
        } else {
            out_.Prepare(clip);  // converted once here, not at every play
        }
    }
    if (!refused.empty()) sys_.ui().ShowStatus("Klang nicht geladen: " + refused);
}

bool Zeitansage::SoundInit() {
    if (versucht_) return SoundInitialisiert != 0;
    versucht_ = true;
    AnsageFertig = 0;
    AnsageClipNr = 0;
    AnsagePause = 0;
    uint8_t& digits = sys_.cfg.KavelinExtension.AudioNumDigits;
    if (digits < 2 || digits > 4) digits = 2;
    std::string why;
    if (!out_.Open(why)) {
        // Off for this run only: [Audio] Zeitansage keeps the user's choice.
        ausgefallen_ = true;
        sys_.ui().ShowStatus("Keine Audioausgabe (" + why + "): Zeitansage für diesen Programmlauf aus");
        return false;
    }
    LoadClips();
    SoundInitialisiert = kTrue;
    return true;
}

void Zeitansage::ErsteEntfernen() {
    RaceState& s = sys_.st;
    if (s.ansage.AnsageAnzahl == 0) return;
    for (int i = 1; i < s.ansage.AnsageAnzahl; ++i) s.ansage.AnsageZeiten[i] = s.ansage.AnsageZeiten[i + 1];
    --s.ansage.AnsageAnzahl;
}

void Zeitansage::AnsageTakt() {
    if (!SoundInit()) {
        sys_.st.ansage.AnsageAnzahl = 0;
        return;
    }
    RaceState& s = sys_.st;
    if (AnsageFertig != 0 && AnsagePause > 0) --AnsagePause;
    if (s.ansage.AnsageAnzahl > 0 && AnsageLaeuft == 0 && AnsagePause == 0) {
        const int32_t v = s.ansage.AnsageZeiten[1];
        AnsageSekunden = v / 10000;
        AnsageZiffern[0] = static_cast<uint8_t>((v % 10000) / 1000);
        AnsageZiffern[1] = static_cast<uint8_t>((v % 1000) / 100);
        AnsageZiffern[2] = static_cast<uint8_t>((v % 100) / 10);
        if (v < 0 || AnsageSekunden >= 40) {
            ErsteEntfernen();
        } else {
            AnsageFertig = 0;
            AnsagePause = 3;
            AnsageLaeuft = kTrue;
            // The number of clips holds for the whole announcement, even when
            // the setting changes while it plays.
            stellen_ = Stellen();
            SpieleClip(AnsageSekunden);
        }
    }
    if (AnsageLaeuft != 0 && AnsageClipNr >= stellen_) {
        AnsageLaeuft = 0;
        AnsageFertig = kTrue;
        AnsageClipNr = 0;
        ErsteEntfernen();
    }
}

void Zeitansage::SpieleClip(int clip) {
    // A clip that cannot play (missing file) ends at the next poll, so that the
    // announcement goes on.
    clipLaeuft_ = true;
    if (out_.Play(clips_[static_cast<size_t>(clip)])) sys_.observer().OnClip(clip);
}

void Zeitansage::ClipPoll() {
    if (!clipLaeuft_ || out_.Playing()) return;
    clipLaeuft_ = false;
    ClipEnde();
}

void Zeitansage::ClipEnde() {
    ++AnsageClipNr;
    if (AnsageClipNr < stellen_) SpieleClip(AnsageZiffern[AnsageClipNr - 1]);
}

bool Zeitansage::Vorhoeren(const std::string& path) {
    if (!SoundInit()) return false;
    PcmClip clip;
    if (!LoadWav(path, clip)) return false;
    if (clipLaeuft_) {
        // The announcement being cut off counts as spoken.
        clipLaeuft_ = false;
        AnsageClipNr = static_cast<uint8_t>(stellen_);
    }
    return out_.Play(clip);
}

}  // namespace zk
