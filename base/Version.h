// The program's version, the project version of the build: shown by every
// program's --version, in the about box and in the race result files.
#pragma once

namespace zk {

// "0.1.0"
const char* ProgramVersion();

}  // namespace zk
