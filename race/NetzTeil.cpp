#include "race/NetzTeil.h"

#include <cmath>
#include <cstdio>

#include "race/PowerValues.h"
#include "race/Race.h"
#include "settings/ProfileParse.h"

namespace zk {

namespace {

double MaxVolt(const RaceContext& sys) {
    const double m = sys.cfg.KVPowerSetup.MaxVoltage;
    return m == 0.0 ? 15.0 : m;
}

// Decimal steps of 0.1 V stay on their decimal value (4.05 - 0.1 is 3.95, not
// 3.9499999999999997), so the file and the labels show what the buttons did.
double Glatt(double v) { return std::round(v * 1e6) / 1e6; }

std::string Komma(std::string t) {
    for (char& c : t)
        if (c == '.') c = ',';
    return t;
}

// The values that follow the gain: fuel swing, safety-car and dry-running values.
void FaktorWerte(RaceContext& sys) {
    RaceState& st = sys.st;
    const auto& p = sys.cfg.KVPowerSetup;
    st.spannung.HubWert = p.VoltHub * st.spannung.VoltFaktor;
    st.spannung.SCWert = RoundToByte(p.SCVolt * st.spannung.VoltFaktor);
    st.spannung.TrockenWert = RoundToByte(static_cast<double>(sys.cfg.Tankoption.TrockenSpannung) * st.spannung.VoltFaktor);
    RebuildTankAbzug(st, RoundToInt16(p.VolleVolt));
}

void Aendern(RaceContext& sys, int lane, double v) {
    sys.st.spannung.SpurVolt[lane] = Glatt(v);
    CalcVoltDigits(sys, lane);
    UpDateVoltDisp(sys, lane);
}

}  // namespace

void BusNetzteil::NetzteilSetzen(int idx, uint8_t value) {
    if (idx < 0 || idx >= kLanes) return;
    const int32_t f = sys_.st.spannung.VoltFaktor > 0 ? sys_.st.spannung.VoltFaktor : 16;
    const std::string t = VoltText(static_cast<double>(value) / f);
    NetzteilAnzeige& a = sys_.view.netzteil;
    a.rennleitung[idx + 1] = t + "V";
    if (sys_.st.fenster.KVPowerOffen != 0) a.wert[idx + 1] = t + " Volt";
    sys_.bus().I2CSend(KonverterAdresse(idx + 1), kKonverterSteuerbyte, value, 3);
}

std::string VoltText(double volts) {
    if (!std::isfinite(volts)) volts = 0.0;
    const long long zehntel = std::llround(std::fabs(volts) * 10.0);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%s%02lld,%lld", volts < 0 && zehntel != 0 ? "-" : "", zehntel / 10, zehntel % 10);
    return buf;
}

void CalcVoltDigits(RaceContext& sys, int lane) {
    if (lane < 1 || lane > kLanes) return;
    RaceState& st = sys.st;
    st.spannung.SpurWert[lane] = ConverterValue(st.spannung.SpurVolt[lane], sys.cfg.KVPowerSetup.Korrektur, st.spannung.VoltFaktor);
    sys.supply().NetzteilSetzen(lane - 1, st.spannung.SpurWert[lane]);
}

void UpDateVoltDisp(RaceContext& sys, int lane) {
    if (lane < 1 || lane > kLanes) return;
    sys.view.netzteil.spannung[lane] = VoltText(sys.st.spannung.SpurVolt[lane]) + " Volt";
    sys.cfg.KVPowerSetup.SpurSpannung[lane] = sys.st.spannung.SpurVolt[lane];
}

bool VoltKnopfDruecken(RaceContext& sys, int lane, VoltKnopf k) {
    if (lane < 1 || lane > kLanes) return false;
    const double v = sys.st.spannung.SpurVolt[lane];
    const double max = MaxVolt(sys);
    auto preset = [&](double p) {
        if (!(max > p)) return false;
        Aendern(sys, lane, p);
        return true;
    };
    switch (k) {
        case VoltKnopf::Volt9:
            return preset(9);
        case VoltKnopf::Volt12:
            return preset(12);
        case VoltKnopf::Volt15:
            return preset(15);
        case VoltKnopf::Volt18:
            return preset(18);
        case VoltKnopf::Plus1:
            if (!(v < max - 0.1)) return false;
            Aendern(sys, lane, v + 0.1);
            return true;
        case VoltKnopf::Plus10:
            if (!(v < max - 1)) return false;
            Aendern(sys, lane, v + 1);
            return true;
        case VoltKnopf::Minus1:
            if (!(v > 4)) return false;
            Aendern(sys, lane, v - 0.1);
            return true;
        case VoltKnopf::Minus10:
            if (!(v > 4)) return false;
            Aendern(sys, lane, v - 1);
            return true;
    }
    return false;
}

uint16_t AlleSpurenDruecken(RaceContext& sys, VoltKnopf k) {
    uint16_t changed = 0;
    for (int l = 1; l <= kLanes; ++l)
        if (VoltKnopfDruecken(sys, l, k)) changed = static_cast<uint16_t>(changed | (1u << l));
    return changed;
}

void TankOffSetzen(RaceContext& sys, int lane, int16_t value) {
    if (lane >= 1 && lane <= kLanes) sys.st.spannung.TankAus[lane] = value;
}

void KVPowerLaden(RaceContext& sys) {
    // Open first, so that the values sent while loading show in the window.
    sys.st.fenster.KVPowerOffen = true;
    for (int l = 1; l <= kLanes; ++l) {
        CalcVoltDigits(sys, l);
        UpDateVoltDisp(sys, l);
    }
}

void KVPowerEntladen(RaceContext& sys) { sys.st.fenster.KVPowerOffen = false; }

uint16_t Verstaerkung32(RaceContext& sys) {
    auto& p = sys.cfg.KVPowerSetup;
    p.Gain1 = 1;
    p.Gain2 = 0;
    sys.st.spannung.VoltFaktor = 16;
    if (p.MaxVoltage > 15) p.MaxVoltage = 15;
    FaktorWerte(sys);
    uint16_t changed = 0;
    for (int l = 1; l <= kLanes; ++l) {
        if (sys.st.spannung.SpurVolt[l] > 15) {
            sys.st.spannung.SpurVolt[l] = 15;
            UpDateVoltDisp(sys, l);
            changed = static_cast<uint16_t>(changed | (1u << l));
        }
    }
    for (int l = 1; l <= kLanes; ++l) CalcVoltDigits(sys, l);
    return changed;
}

void Verstaerkung51(RaceContext& sys) {
    auto& p = sys.cfg.KVPowerSetup;
    p.Gain1 = 0;
    p.Gain2 = 1;
    sys.st.spannung.VoltFaktor = 10;
    FaktorWerte(sys);
    for (int l = 1; l <= kLanes; ++l) CalcVoltDigits(sys, l);
}

std::string MaxVoltsEingabe(RaceContext& sys, const std::string& text) {
    double v = ParseLeadingReal(text);
    if (v == 0.0) v = 15;
    sys.cfg.KVPowerSetup.MaxVoltage = v;
    return Komma(FormatReal(v));
}

std::string KorrekturEingabe(RaceContext& sys, const std::string& text) {
    int16_t v = RoundToInt16(std::trunc(ParseLeadingReal(text)));
    if (v > 800) v = 800;
    sys.cfg.KVPowerSetup.Korrektur = v;
    return std::to_string(v);
}

std::string HubEingabe(RaceContext& sys, const std::string& text) {
    const double v = ParseLeadingReal(text);
    sys.cfg.KVPowerSetup.VoltHub = v;
    FaktorWerte(sys);
    return Komma(FormatReal(v));
}

std::string VolleVoltEingabe(RaceContext& sys, const std::string& text) {
    int v = static_cast<int>(std::trunc(ParseLeadingReal(text)));
    v = v < 0 ? 0 : (v > 95 ? 95 : v);
    sys.cfg.KVPowerSetup.VolleVolt = v;
    FaktorWerte(sys);
    return std::to_string(v);
}

std::string SCVoltEingabe(RaceContext& sys, const std::string& text) {
    const double v = ParseLeadingReal(text);
    sys.cfg.KVPowerSetup.SCVolt = v;
    sys.st.spannung.SCWert = RoundToByte(v * sys.st.spannung.VoltFaktor);
    return Komma(FormatReal(v));
}

std::string TrockenEingabe(RaceContext& sys, const std::string& text) {
    int v = static_cast<int>(std::trunc(ParseLeadingReal(text)));
    if (v < 1) v = 6;
    const int max = static_cast<int>(MaxVolt(sys));
    if (v > max) v = max;
    sys.cfg.Tankoption.TrockenSpannung = static_cast<int16_t>(v);
    sys.st.spannung.TrockenWert = RoundToByte(static_cast<double>(v) * sys.st.spannung.VoltFaktor);
    return std::to_string(v);
}

uint8_t PcfAdresse(int board, int typ) {
    static constexpr uint8_t kBasis[3] = {0, 64, 112};
    if (typ < 1 || typ > 2 || board < 0 || board > 7) return 0;
    return static_cast<uint8_t>(kBasis[typ] + 2 * board);
}

int PcfTyp(uint8_t adresse) {
    if (adresse > 100) return 2;
    if (adresse >= 64) return 1;
    return 0;
}

uint8_t AusgangTypWaehlen(RaceContext& sys, int board, int typ) {
    if (board < 0 || board > 2) return 0;
    return sys.cfg.I2COutput.ADR[board] = PcfAdresse(board, typ);
}

I2CDialog I2CAktivSetzen(RaceContext& sys, int16_t value) {
    auto& i2c = sys.cfg.I2COutput;
    i2c.Aktiv = value;
    sys.st.I2CAktiv = value == 1;
    I2CDialog d;
    if (value == 1) {
        d.netzteilEnabled = d.startampelEnabled = d.positionEnabled = d.tankEnabled = true;
        d.tanknetzteilEnabled = sys.cfg.KVPowerSetup.I2C_Netzteil == 1 && sys.cfg.Tankoption.Tankoption == 1;
        sys.cfg.Lpt.PinI2COutput = 1;
        sys.cfg.Lpt.PinI2CInput = 0;
    } else {
        i2c.Startampel = i2c.Positionsanzeige = i2c.Tankanzeige = 0;
        sys.cfg.KVPowerSetup.I2C_Netzteil = 0;
        sys.cfg.Tankoption.MitTnt = 0;
        // Without the bus there is no supply to set: the window's menu entry goes too.
        sys.st.fenster.BahnspannungMenuEin = false;
    }
    d.pinI2COutput = sys.cfg.Lpt.PinI2COutput == 1;
    d.netzteil = sys.cfg.KVPowerSetup.I2C_Netzteil == 1;
    d.startampel = i2c.Startampel == 1;
    d.position = i2c.Positionsanzeige == 1;
    d.tank = i2c.Tankanzeige == 1;
    d.tanknetzteil = sys.cfg.Tankoption.MitTnt == 1;
    return d;
}

void I2CNetzteilSetzen(RaceContext& sys, int16_t value) {
    sys.cfg.KVPowerSetup.I2C_Netzteil = value;
    if (value == 1) {
        sys.st.fenster.BahnspannungMenuEin = true;
        sys.cfg.TNT_MC.Aktiv = 0;
        for (int l = 1; l <= kLanes; ++l) CalcVoltDigits(sys, l);
    } else {
        sys.st.fenster.BahnspannungMenuEin = false;
    }
}

void SeriellesNetzteilSetzen(RaceContext& sys, int16_t value) {
    sys.cfg.TNT_MC.Aktiv = value;
    if (value == 1 && sys.cfg.KVPowerSetup.I2C_Netzteil != 0) I2CNetzteilSetzen(sys, 0);
}

void I2CStartampelSetzen(RaceContext& sys, int16_t value) { sys.cfg.I2COutput.Startampel = value; }
void I2CPositionsanzeigeSetzen(RaceContext& sys, int16_t value) { sys.cfg.I2COutput.Positionsanzeige = value; }
void I2CTankanzeigeSetzen(RaceContext& sys, int16_t value) { sys.cfg.I2COutput.Tankanzeige = value; }

}  // namespace zk
