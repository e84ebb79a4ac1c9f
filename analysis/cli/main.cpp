#include <iostream>

#include "cli.h"

int main(int argc, char** argv) {
    return tarvel::cli::runCommandLine(tarvel::cli::Args(argv + 1, argv + argc), std::cout, std::cerr);
}
