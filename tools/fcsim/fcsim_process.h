#pragma once
// Starts the fcsim program for tests and benchmarks and stops it again.

#include "sim_process.h"

namespace fcsim {

class FcsimProcess : public simline::SimProcess {
public:
    explicit FcsimProcess(const std::vector<std::string>& arguments) : SimProcess(FCSIM_PROGRAM, arguments) {}
};

}  // namespace fcsim
