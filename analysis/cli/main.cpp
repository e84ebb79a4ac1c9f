#include <iostream>

#include "cli.h"
#include "record_writer.h"

int main(int argc, char** argv) {
    tarvel::failWritesPastTheFileSizeLimit();
    return tarvel::cli::runCommandLine(tarvel::cli::Args(argv + 1, argv + argc), std::cout, std::cerr);
}
