// Opens the parallel port that [Lpt] "Port" selects.
#pragma once

#include <memory>

#include "devices/LptIo.h"

namespace zk {

class PpdevSys;
class UiPort;

// 0 (and any value outside 1..3): NullLptIo, no register access at all.
// 1..3: /dev/parport0..2 through ppdev. A device that cannot be opened is reported
// once through `ui` and gives a port whose Available() is false.
std::unique_ptr<LptIo> OpenLptIo(int port, UiPort& ui);
std::unique_ptr<LptIo> OpenLptIo(int port, UiPort& ui, PpdevSys& sys);

}  // namespace zk
