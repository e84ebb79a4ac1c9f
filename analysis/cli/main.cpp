#include <iostream>

#include "cli.h"
#include "qt_messages.h"
#include "record_writer.h"
#ifdef TARVEL_CLI_DEVICE_VERBS
#include "declares.h"
#endif

int main(int argc, char** argv) {
    tarvel::failWritesPastTheFileSizeLimit();
    tarvel::cli::dropQtChatter();
    tarvel::cli::Environment environment{tarvel::NumberLocale::system()};
#ifdef TARVEL_CLI_DEVICE_VERBS
    // The serial-link library beside the program, bound at the first device verb.
    tarvel::device::Declares library(tarvel::device::defaultLibraryFileName(),
                                     tarvel::device::executableDirectory());
    environment.library = &library;
#endif
    return tarvel::cli::runCommandLine(environment, tarvel::cli::Args(argv + 1, argv + argc), std::cout,
                                       std::cerr);
}
