#include <iostream>

#include "x09run/platform.h"
#include "x09run/run.h"

int main(int argc, char** argv) {
    x09run::prepare_process();
    return x09run::run_command_line(argc, argv, {std::cin, std::cout, std::cerr, x09run::standard_input_is_terminal()});
}
