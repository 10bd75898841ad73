#include <iostream>

#include "driver/run_driver.h"

int main() { return run_assembler(std::cin, std::cout); }
