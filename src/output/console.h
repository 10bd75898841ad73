#pragma once

#include <ostream>
#include <string>

// printf-formatted text, with exactly the widths and hex case of the format,
// whatever its length.
std::string format_text(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Writes printf-formatted text to a stream.
void print_format(std::ostream& os, const char* format, ...) __attribute__((format(printf, 2, 3)));
