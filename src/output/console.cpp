#include "output/console.h"

#include <cstdarg>
#include <cstdio>
#include <string>

void print_format(std::ostream& os, const char* format, ...) {
    char buffer[256];
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n < 0) {
        va_end(again);
        return;
    }
    if (static_cast<std::size_t>(n) < sizeof buffer) {
        os.write(buffer, n);
    } else {
        // Only file names can make a message this long.
        std::string text(static_cast<std::size_t>(n) + 1, '\0');
        std::vsnprintf(text.data(), text.size(), format, again);
        os.write(text.data(), n);
    }
    va_end(again);
}
