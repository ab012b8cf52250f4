// varlen: the program. With a batch switch it runs the command-line front end and needs
// no display.
#include <iostream>
#include <string>
#include <vector>

#include "cli/batch.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!varlen::IsBatchInvocation(args)) {
        std::cerr << "varlen: the wizard is not available in this build; use --create or "
                     "--export.\nTry 'varlen --help' for more information.\n";
        return varlen::kExitUsage;
    }
    return varlen::BatchMain(args, std::cout, std::cerr);
}
