#include "system/ProgramEnd.h"

#include "race/RS232.h"
#include "race/RaceSequence.h"
#include "system/RaceSystem.h"

namespace zk {

void ProgramEnd(RaceSystem& sys, const std::function<void()>& closeSpreadsheet,
                const std::function<void()>& saveAndCloseWindows) {
    StopRace(sys);
    PowerAll(sys);
    if (sys.st.zyklus.ExcelLive != 0 && closeSpreadsheet) closeSpreadsheet();
    sys.Laps().Stop();
    ComProgrammEnde(sys);
    if (saveAndCloseWindows) saveAndCloseWindows();
}

}  // namespace zk
