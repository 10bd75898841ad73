#pragma once

#include <ostream>

// Writes printf-formatted text to a stream, with exactly the widths and hex
// case of the format.
void print_format(std::ostream& os, const char* format, ...) __attribute__((format(printf, 2, 3)));
