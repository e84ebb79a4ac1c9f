#pragma once
// Linux: the kernel's parallel-port device, /dev/parport0 to /dev/parport3 for
// LPT1 to LPT4. The port is claimed for each command; a reservation claims it
// exclusively and keeps it claimed until released.

#include <memory>
#include <string>

#include "port_io.h"

namespace vx::lpt {

std::unique_ptr<PortBackend> ppdevBackend();

// The device of LPTn; exposed for messages and tests.
std::string ppdevPath(int number);

}  // namespace vx::lpt
