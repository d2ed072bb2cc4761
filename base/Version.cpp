#include "base/Version.h"

#ifndef ZK_VERSION
#error "the build passes ZK_VERSION, the project version"
#endif

namespace zk {

const char* ProgramVersion() { return ZK_VERSION; }

}  // namespace zk
