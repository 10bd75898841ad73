#include "output/console.h"

#include <cstdarg>
#include <cstdio>

namespace {

std::string vformat(const char* format, va_list args) {
    char buffer[256];
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    std::string text;
    if (n >= 0 && static_cast<std::size_t>(n) < sizeof buffer) {
        text.assign(buffer, static_cast<std::size_t>(n));
    } else if (n >= 0) {
        // Only file names and quoted source text make a message this long.
        text.resize(static_cast<std::size_t>(n) + 1);
        std::vsnprintf(text.data(), text.size(), format, again);
        text.resize(static_cast<std::size_t>(n));
    }
    va_end(again);
    return text;
}

}  // namespace

std::string format_text(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = vformat(format, args);
    va_end(args);
    return text;
}

void print_format(std::ostream& os, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const std::string text = vformat(format, args);
    va_end(args);
    os.write(text.data(), static_cast<std::streamsize>(text.size()));
}
