#include "race/Lpt.h"

#include <cstdio>

#include "race/Race.h"

namespace zk {

namespace {

void SteuerBit(RaceContext& sys, uint8_t bit, bool set) {
    if (set) {
        sys.st.LptSteuer.SetBits(bit);
    } else {
        sys.st.LptSteuer.ClearBits(bit);
    }
    LptSteuerAusgeben(sys);
}

}  // namespace

void LptPortWaehlen(RaceContext& sys, int index) {
    sys.st.LptPort = static_cast<int16_t>(index);
    sys.cfg.Lpt.Port = static_cast<int16_t>(index);
    if (const int16_t b = LptBasisForPort(index)) sys.st.LptBasis = b;
    if (index == 0) {
        sys.cfg.Lpt.Ampel = 0;
        sys.cfg.Bahnstrom.LptStrom = 0;
    }
}

int16_t LptCheckSetzen(RaceContext& sys, LptCheck box, int16_t value) {
    if (sys.st.LptPort < 1) return 0;
    switch (box) {
        case LptCheck::Ampel:
            sys.cfg.Lpt.Ampel = value;
            break;
        case LptCheck::Bahnstrom:
            sys.cfg.Bahnstrom.LptStrom = value;
            break;
        case LptCheck::Chaos:
            sys.cfg.Lpt.Chaos = value;
            sys.st.ChaosEin = value == 1;
            break;
        case LptCheck::Gelbphase:
            sys.cfg.Lpt.Gelbphase = value;
            sys.st.GelbphaseEin = value == 1;
            break;
    }
    return value;
}

void PinOptionWaehlen(RaceContext& sys, PinOption opt) {
    auto& l = sys.cfg.Lpt;
    switch (opt) {
        case PinOption::Pin1Input:
            l.Pin1Input = 1;
            l.Pin1Rot = 0;
            SteuerBit(sys, 0x01, false);
            break;
        case PinOption::Pin1Rot:
            l.Pin1Rot = 1;
            l.Pin1Input = 0;
            break;
        case PinOption::Pin16Input:
            l.Pin16Input = 1;
            l.Pin16Gruen = l.Pin16Rot = 0;
            SteuerBit(sys, 0x04, true);
            break;
        case PinOption::Pin16Gruen:
            l.Pin16Gruen = 1;
            l.Pin16Input = l.Pin16Rot = 0;
            break;
        case PinOption::Pin16Rot:
            l.Pin16Rot = 1;
            l.Pin16Input = l.Pin16Gruen = 0;
            break;
        case PinOption::PinI2COutput:
            l.PinI2COutput = 1;
            l.PinI2CInput = 0;
            break;
        case PinOption::PinI2CInput: {
            l.PinI2COutput = 0;
            l.PinI2CInput = 1;
            // Pins 14 and 17 are inputs now: the bus and everything on it is off.
            auto& i2c = sys.cfg.I2COutput;
            i2c.Aktiv = 0;
            sys.st.I2CAktiv = false;
            i2c.Startampel = i2c.Positionsanzeige = i2c.Tankanzeige = 0;
            sys.cfg.KVPowerSetup.I2C_Netzteil = 0;
            sys.cfg.Tankoption.MitTnt = 0;
            // The bus engine owns the bus lines' bits: it releases them at its next tick.
            AskBusRelease(sys.st);
            break;
        }
    }
}

void LptLampenRuhe(RaceContext& sys) {
    const auto& l = sys.cfg.Lpt;
    if (l.Pin16Gruen == 1 || l.Pin16Rot == 1) SteuerBit(sys, 0x04, false);
    if (l.Pin1Rot == 1) SteuerBit(sys, 0x01, true);
    if (l.PinI2CInput == 1) AskBusRelease(sys.st);
}

void Pin16Gruen(RaceContext& sys, bool on) {
    if (sys.cfg.Lpt.Pin16Gruen == 1) SteuerBit(sys, 0x04, on);
}

void Pin16Rot(RaceContext& sys, bool on) {
    if (sys.cfg.Lpt.Pin16Rot == 1) SteuerBit(sys, 0x04, on);
}

void Pin1Rot(RaceContext& sys, bool on) {
    // Pin 1 is inverted by the port: the lamp lights while the bit is clear.
    if (sys.cfg.Lpt.Pin1Rot == 1) SteuerBit(sys, 0x01, !on);
}

void LptStromBits(RaceContext& sys, int lane, bool on) {
    // A set bit switches the relay; which way depends on how the relays are wired.
    const bool setBit = (sys.cfg.Bahnstrom.InvertPowerRelais == 1) == on;
    const uint16_t v = sys.st.LptDaten;
    if (lane == 0) {
        sys.st.LptDaten = static_cast<uint16_t>(setBit ? (v | 0x3F0) : (v & 0x0F));
    } else if (lane >= 1 && lane <= 8) {
        const auto bit = static_cast<uint16_t>(1u << (lane + 3));
        sys.st.LptDaten = static_cast<uint16_t>(setBit ? (v | bit) : (v & ~bit));
    }
}

uint8_t RelaisByte(uint16_t lptDaten) { return static_cast<uint8_t>((lptDaten & 0x3F0) / 16); }

std::string SensorboardDiagnose(const RaceContext& sys) {
    const BoardZustand z = sys.board().Lesen();
    const RaceState& s = sys.st;
    const BoardStats& b = z.stats;
    std::string pegel;
    for (int n = 1; n <= 10; ++n) pegel += ((z.levels >> (n - 1)) & 1) != 0 ? '1' : '0';
    char drift[32];
    std::snprintf(drift, sizeof drift, "%+.3f", z.drift * 100.0);
    return "Sensorboard: " + std::to_string(b.frames) + " Meldungen, verloren " + std::to_string(b.lostFrames) +
           ", verstümmelt " + std::to_string(b.badFrames) + " (Neusynchronisation danach), Kanten verloren " +
           std::to_string(b.lostEdges) + ", abgewiesen " + std::to_string(z.verworfen + s.BoardAbgelehnt) +
           ", unmögliche Zeiten " + std::to_string(b.impossibleTimes) + ", Neustarts " + std::to_string(b.restarts) +
           ", Pegel aus Herzschlag " + std::to_string(s.BoardKorrigiert.load()) + ", Uhr " + drift +
           " %, Eingänge 1–10: " + pegel;
}

}  // namespace zk
