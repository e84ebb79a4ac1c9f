#include "link/transport.h"

namespace fltport {

size_t Transport::drain(size_t limit) {
    size_t discarded = 0;
    uint8_t byte = 0;
    while (discarded < limit && read(&byte, 1) == 1) ++discarded;
    return discarded;
}

}  // namespace fltport
