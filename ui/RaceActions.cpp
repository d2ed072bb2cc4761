#include "ui/RaceActions.h"

#include "race/RaceModes.h"
#include "race/RaceSequence.h"
#include "race/StartLight.h"
#include "system/RaceSystem.h"

namespace zk {

void RaceActions::Start() { StartRace(sys_); }
void RaceActions::Stop() { StopRace(sys_); }
void RaceActions::Pause() { PauseRace(sys_); }
void RaceActions::Resume() { ResumeRace(sys_); }
void RaceActions::SafetyCarButton() { zk::SafetyCarButton(sys_); }
void RaceActions::TogglePower(int lane) { PowerBtn(sys_, lane - 1); }
void RaceActions::PowerAllOn() { PowerAll(sys_); }
void RaceActions::Keys(char key) { PollRaceKeys(sys_, key); }
void RaceActions::StandardKeys(char key) { StandardWindowKey(sys_, key); }
void RaceActions::AbortStartLight() { AmpelAbbruch(sys_); }
void RaceActions::LastWindowClosing() { LapWindowCloseButton(sys_); }

bool RaceActions::LanePowered(int lane) const { return lane >= 1 && lane <= kLanes && sys_.st.rennen.SpurStrom[lane] != 0; }
bool RaceActions::RaceActive() const { return !sys_.record.CanStart(); }
bool RaceActions::StartEnabled() const { return sys_.record.CanStart(); }
bool RaceActions::PauseEnabled() const { return sys_.view.PauseEnabled(); }
bool RaceActions::WeiterEnabled() const { return sys_.view.WeiterEnabled(); }

bool RaceActions::ChooseMode(int mode) { return ChooseRaceMode(sys_, mode); }
void RaceActions::LapPreset(int i) { ChooseLapPreset(sys_, i); }
void RaceActions::TimePreset(int i) { ChooseTimePreset(sys_, i); }
std::string RaceActions::LapInputText() const { return zk::LapInputText(sys_); }
std::string RaceActions::TimeInputText() const { return zk::TimeInputText(sys_); }
void RaceActions::LapInputChanged(const std::string& text) { zk::LapInputChanged(sys_, text); }
void RaceActions::TimeInputChanged(const std::string& text) { zk::TimeInputChanged(sys_, text); }
void RaceActions::TimeInputClosed() { TimeInputClose(sys_); }
std::string RaceActions::CountdownText() const { return zk::CountdownText(sys_); }
void RaceActions::RefreshCaptions() { UpdateLapTimeSettings(sys_); }
void RaceActions::ShowWindows() { ShowRaceWindows(sys_); }

void RaceActions::WindowLoaded(int windowNo) { LapWindowLoaded(sys_, windowNo); }
void RaceActions::WindowUnloaded(int windowNo) { LapWindowUnloaded(sys_, windowNo); }
int RaceActions::OpenLapWindows() const { return sys_.view.OffeneZeitfenster; }

}  // namespace zk
