#include <iostream>

#include "driver/command_line.h"
#include "output/platform.h"

int main(int argc, char** argv) {
    prepare_process();
    return run_command_line(argc, argv, std::cin, std::cout, std::cerr);
}
