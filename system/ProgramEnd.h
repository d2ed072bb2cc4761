// The end of the program, as the main window runs it and the replay runs it at
// its end: a running race stops, every lane gets its power back (the track stays
// usable), the lap recording ends, the display boards get their closing
// sequence and the serial port closes; then `saveAndCloseWindows` stores what
// the program keeps and closes the windows. A loaded race director's desk
// saves its running list ("_Test.txt") as its window closes.
#pragma once

#include <functional>

namespace zk {

class RaceSystem;

// `closeSpreadsheet` runs when the live spreadsheet is open.
void ProgramEnd(RaceSystem& sys, const std::function<void()>& closeSpreadsheet,
                const std::function<void()>& saveAndCloseWindows);

}  // namespace zk
