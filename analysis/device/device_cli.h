#pragma once
// The flight computer verbs of the `tarvel` command line:
//   download   --port NAME [--prefix tmprecord]
//   config     --port NAME read
//   config     --port NAME write [stage-detect=launch|burnout] [stage-delay=TEXT]
//                                [main-altitude=TEXT] [output=led|buzzer]
//   poll       --port NAME --sensor accel|baro --count N
//   fire       --port NAME --output 1|2|3
//   continuity --port NAME
// Each takes the library the program bound at start and the arguments after
// the verb, and returns the process status (0 success, 1 failure, 2 usage).

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "declares.h"

namespace tarvel::device {

using VerbArgs = std::vector<std::string>;

int downloadVerb(Declares& library, const VerbArgs& args, std::ostream& out, std::ostream& err);
int configVerb(Declares& library, const VerbArgs& args, std::ostream& out, std::ostream& err);
int pollVerb(Declares& library, const VerbArgs& args, std::ostream& out, std::ostream& err);
int fireVerb(Declares& library, const VerbArgs& args, std::ostream& out, std::ostream& err);
int continuityVerb(Declares& library, const VerbArgs& args, std::ostream& out, std::ostream& err);

struct DeviceVerb {
    std::string_view name;
    std::string_view usage;
    int (*run)(Declares& library, const VerbArgs& args, std::ostream& out, std::ostream& err);
};
// The five verbs with their usage lines, for the command line's table.
const std::vector<DeviceVerb>& deviceVerbs();

}  // namespace tarvel::device
