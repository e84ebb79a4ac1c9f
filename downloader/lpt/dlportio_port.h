#pragma once
// Windows: the port I/O library "dlportio.dll", loaded when the port is first
// used, so the program starts (and serves the QM-40) without it. A reservation
// opens the port's device, which keeps the print spooler off it.

#include <memory>

#include "port_io.h"

namespace vx::lpt {

std::unique_ptr<PortBackend> dlportioBackend();

}  // namespace vx::lpt
