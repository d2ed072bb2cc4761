#include "devices/LptOpen.h"

#include "devices/PpdevLptIo.h"

namespace zk {

std::unique_ptr<LptIo> OpenLptIo(int port, UiPort& ui) { return OpenLptIo(port, ui, SystemPpdevSys()); }

std::unique_ptr<LptIo> OpenLptIo(int port, UiPort& ui, PpdevSys& sys) {
    if (port < 1 || port > 3) return std::make_unique<NullLptIo>();
    return std::make_unique<PpdevLptIo>(port, static_cast<uint16_t>(LptBasisForPort(port)), ui, sys);
}

}  // namespace zk
