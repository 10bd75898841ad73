#include <iostream>

#include "driver/program.h"
#include "output/platform.h"

int main(int argc, char** argv) {
    prepare_process();
    return run_program(argc, argv, std::cin, std::cout, std::cerr);
}
