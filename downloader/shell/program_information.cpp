#include "program_information.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#ifndef VXOEM_VERSION
#define VXOEM_VERSION "0.0.0"
#endif

namespace vxoem {

std::string usageText() {
    return "usage: VXOEM [PROJECT [/c] [/d] [/q]]\n"
           "       VXOEM --help | --version\n"
           "Puts compiled programs (.vxb) into QM-40 and QM-10 chips.\n"
           "\n"
           "Without arguments the window opens. PROJECT is a name in the work directory\n"
           "(Work_Dir of the settings); PROJECT.vxp must exist there. With PROJECT alone the\n"
           "window opens with PROJECT.vxb ready for Download. The switches, in the order\n"
           "given, run without a user, log to Velmix.err in the work directory and end the\n"
           "program (exit status 0 when nothing failed, else 1):\n"
           "  /c         check that PROJECT.prf exists\n"
           "  /d         download PROJECT.vxb into the selected chip and start it\n"
           "  /q         no window and no message boxes; messages go to Velmix.err and\n"
           "             standard error\n"
           "The chip and its port are the ones last chosen in the window.\n"
           "  --help     show this text\n"
           "  --version  show the program's version\n";
}

std::string versionText() { return std::string("VXOEM ") + VXOEM_VERSION + "\n"; }

std::optional<int> answerInformationRequest(const std::vector<std::string>& args) {
    const auto has = [&args](const char* option) {
        return std::find(args.begin(), args.end(), option) != args.end();
    };
    std::string answer;
    if (has("--help")) {
        answer = usageText();
    } else if (has("--version")) {
        answer = versionText();
    } else {
        return std::nullopt;
    }
    const bool written = std::fwrite(answer.data(), 1, answer.size(), stdout) == answer.size();
    if (std::fflush(stdout) != 0 || !written) {
        const int error = errno;
        std::fprintf(stderr, "VXOEM: cannot write to standard output: %s\n", std::strerror(error));
        return 1;
    }
    return 0;
}

}  // namespace vxoem
