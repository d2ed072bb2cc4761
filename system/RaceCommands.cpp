#include "system/RaceCommands.h"

#include <algorithm>

#include "race/Director.h"
#include "race/PortSim.h"
#include "race/RaceModes.h"
#include "race/Spurwechsel.h"
#include "race/TeachIn.h"
#include "system/RaceSystem.h"

namespace zk {

int32_t RaceCommands::LapCorrection(int lane, int delta) { return zk::LapCorrection(sys_, lane, delta); }
void RaceCommands::ResetBestLap(int lane) { zk::ResetBestLap(sys_, lane); }
bool RaceCommands::LaneVoltageStep(int lane, bool up) { return zk::LaneVoltageStep(sys_, lane, up); }
void RaceCommands::DeskClear() { sys_.Desk().Clear(); }
void RaceCommands::DeskUnloaded() { sys_.Desk().Unloaded(); }

void RaceCommands::FahrerBestaetigen(const FahrerListen& l) { zk::FahrerBestaetigen(sys_, l); }
void RaceCommands::SpurNamenSetzen(const SpurNamenListe& namen) { zk::SpurNamenSetzen(sys_, namen); }
void RaceCommands::TeamNamenSetzen() { zk::TeamNamenSetzen(sys_); }

void RaceCommands::TankOffSetzen(int lane, int16_t value) { zk::TankOffSetzen(sys_, lane, value); }
void RaceCommands::KVPowerLaden() { zk::KVPowerLaden(sys_); }
void RaceCommands::KVPowerEntladen() { zk::KVPowerEntladen(sys_); }
uint16_t RaceCommands::AlleSpurenDruecken(VoltKnopf k) { return zk::AlleSpurenDruecken(sys_, k); }
bool RaceCommands::VoltKnopfDruecken(int lane, VoltKnopf k) { return zk::VoltKnopfDruecken(sys_, lane, k); }

void RaceCommands::ZsaOeffnen() { zk::ZsaOeffnen(sys_); }
void RaceCommands::ZsaSchliessen() { zk::ZsaSchliessen(sys_); }
ZsaFolge RaceCommands::ZsaCheckSetzen(std::string_view box, int16_t value) {
    return zk::ZsaCheckSetzen(sys_, box, value);
}
std::string RaceCommands::ZsaTextEingabe(std::string_view feld, const std::string& text) {
    return zk::ZsaTextEingabe(sys_, feld, text);
}
ZsaFolge RaceCommands::ZsaOptionWaehlen(std::string_view option) { return zk::ZsaOptionWaehlen(sys_, option); }
void RaceCommands::ZsaListeWaehlen(std::string_view liste, int index) { zk::ZsaListeWaehlen(sys_, liste, index); }
void RaceCommands::ZsaFarbeSetzen(int knopf, Rgb farbe) { zk::ZsaFarbeSetzen(sys_, knopf, farbe); }
void RaceCommands::ZsaReiterGewaehlt(int reiter) { zk::ZsaReiterGewaehlt(sys_, reiter); }
void RaceCommands::ZsaTimerFunktionen() { zk::ZsaTimerFunktionen(sys_); }
void RaceCommands::UpdateLapTimeSettings() { zk::UpdateLapTimeSettings(sys_); }
void RaceCommands::TeachInKlick(int n) { zk::TeachInKlick(sys_, n); }
void RaceCommands::TeachInReset() { zk::TeachInReset(sys_); }
void RaceCommands::SensorenAmBoard(bool board) { sys_.cfg.Lpt.Sensoren = board ? int16_t{1} : int16_t{0}; }
std::string RaceCommands::SensorQuelleAnwenden() { return sys_.SensorQuelleAnwenden(); }
void RaceCommands::SensorboardSetzen(const std::string& geraet) {
    sys_.cfg.Lpt.Sensorboard = geraet.empty() ? std::string(kSensorboardStandard) : geraet;
}

ComListe RaceCommands::ActComs() { return zk::ActComs(sys_); }
void RaceCommands::ComPortWaehlen(int com) { zk::ComPortWaehlen(sys_, com); }
void RaceCommands::FwVersionZeigen() { zk::FwVersionZeigen(sys_); }
void RaceCommands::MaximalerStrom() { zk::MaximalerStrom(sys_); }
void RaceCommands::SpurzuordnungZeigen() { zk::SpurzuordnungZeigen(sys_); }
void RaceCommands::BannerZeigen() { zk::BannerZeigen(sys_); }
void RaceCommands::TankAnzeigenAlleEin() { zk::TankAnzeigenAlleEin(sys_); }
void RaceCommands::TankAnzeigenAlleAus() { zk::TankAnzeigenAlleAus(sys_); }
void RaceCommands::TankAnzeigenBlinken() { zk::TankAnzeigenBlinken(sys_); }

void RaceCommands::WebAktivSetzen(bool on) { sys_.cfg.Web.Aktiv = on ? 1 : 0; }
void RaceCommands::WebNurLokalSetzen(bool on) { sys_.cfg.Web.NurLokal = on ? 1 : 0; }
void RaceCommands::WebPortSetzen(int port) { sys_.cfg.Web.Port = static_cast<int16_t>(port); }

void RaceCommands::SoundDateiSetzen(int slot, const std::string& datei) {
    if (slot < 0 || slot >= static_cast<int>(sys_.cfg.SoundFiles.size())) return;
    sys_.cfg.SoundFiles[static_cast<size_t>(slot)] = datei;
}

void RaceCommands::SimulationStarten() { sys_.st.SimulationActive = true; }

void RaceCommands::SimulationBeenden() {
    sys_.st.SimulationActive = false;
    zk::AskSimSweep(sys_.st, false);
    // The simulator only replaced the in-memory values; the learned ones come
    // back from the settings, with the floors they always have.
    sys_.ApplySettings();
    sys_.st.fenster.SimMaskenAktiv = false;
}

void RaceCommands::DatenBitUmschalten(int bit) {
    sys_.st.LptDaten.ToggleBits(static_cast<uint16_t>(1u << bit));
    LptDatenAusgeben(sys_);
}

void RaceCommands::SteuerBitUmschalten(int bit) {
    sys_.st.LptSteuer.ToggleBits(static_cast<uint8_t>(1u << bit));
    LptSteuerAusgeben(sys_);
}

void RaceCommands::SimWechselnSetzen(bool on) { sys_.st.SimWechseln = static_cast<uint8_t>(on ? 1 : 0); }
void RaceCommands::AskSimSweep(bool on) { zk::AskSimSweep(sys_.st, on); }
void RaceCommands::SimVerdrahtungSetzen(bool on) { zk::SimVerdrahtungSetzen(sys_, on); }
void RaceCommands::SimSweepTakt(bool automatischZaehlen) { zk::SimSweepTakt(sys_, automatischZaehlen); }
void RaceCommands::EingangErzwingen(int n, bool active) { zk::EingangErzwingen(sys_.st, n, active); }
void RaceCommands::AutoAusSetzen(bool aus) { sys_.portSim.AutoAus = aus ? 1 : 0; }
void RaceCommands::AutoSimulationLaden() { zk::AutoSimulationLaden(sys_); }
void RaceCommands::AutoPeriodeSetzen(int lane, double ms) { zk::AutoPeriodeSetzen(sys_, lane, ms); }
void RaceCommands::AutoSimulationSchritt() { zk::AutoSimulationSchritt(sys_); }
void RaceCommands::AutoSimulationLeeren() { zk::AutoSimulationLeeren(sys_); }

void RaceCommands::TankStandSetzen(int lane, double stand) {
    if (lane < 1 || lane > kLanes) return;
    const double inhalt = sys_.cfg.Tankoption.Tankinhalt;
    sys_.st.tank.TankStand[lane] = std::clamp(stand, 0.0, std::max(0.0, inhalt));
}

void RaceCommands::SpwWeiter() {
    if (SpurwechselRennen* w = sys_.club().Spurwechsel()) w->Weiter();
}

void RaceCommands::SpwStarten() {
    if (SpurwechselRennen* w = sys_.club().Spurwechsel()) w->Starten();
}

}  // namespace zk
