#include "ui/RaceActions.h"

#include <cmath>
#include <cstdlib>
#include <limits>

#include "timing/RaceSystem.h"

namespace zk {

// Race control is wired in as its commands become available.
void RaceActions::Start() {}
void RaceActions::Stop() {}
void RaceActions::Pause() {}
void RaceActions::Resume() {}
void RaceActions::SafetyCarButton() {}
void RaceActions::TogglePower(int) {}
void RaceActions::PowerAllOn() {}
void RaceActions::Keys(char) {}
void RaceActions::AbortStartLight() {}
void RaceActions::InitPowerAndVoltages() {}
bool RaceActions::LanePowered(int) const { return true; }
bool RaceActions::RaceRunning() const { return sys_.st.RennenLaeuft == kTrue; }
bool RaceActions::RaceActive() const { return sys_.st.RennenLaeuft == kTrue || sys_.st.StartPhase == kTrue; }
bool RaceActions::PauseEnabled() const { return false; }
bool RaceActions::WeiterEnabled() const { return false; }
void RaceActions::ChooseMode(int) {}
void RaceActions::SetLaps(int16_t laps) { sys_.st.RennRunden = laps; }
void RaceActions::SetMinutes(int16_t minutes) { sys_.st.RennZeit = minutes; }
void RaceActions::LapInputChanged(const std::string&) {}
void RaceActions::TimeInputChanged(const std::string&) {}
void RaceActions::TimeInputClosed() {}
std::string RaceActions::LapsCaption() const { return "Runden : " + std::to_string(sys_.st.RennRunden); }
std::string RaceActions::MinutesCaption() const { return "Zeitvorgabe : " + std::to_string(sys_.st.RennZeit); }

}  // namespace zk
