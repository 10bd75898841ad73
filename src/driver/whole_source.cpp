#include "driver/whole_source.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "base/asm_state.h"
#include "base/diagnose.h"
#include "codegen/directives.h"

namespace {

// Carriage returns followed by anything but a line feed (or another carriage
// return): the reader drops them, so the lines they end run together. One at
// the very end of the file ends nothing that follows.
int lone_carriage_returns(std::string_view source) {
    int lone = 0;
    for (std::size_t at = source.find('\r'); at != std::string_view::npos; at = source.find('\r', at + 1)) {
        if (at + 1 < source.size() && source[at + 1] != '\n' && source[at + 1] != '\r') {
            ++lone;
        }
    }
    return lone;
}

bool only_blank_lines(std::string_view source) { return source.find_first_not_of(" \t\r\n") == std::string_view::npos; }

}  // namespace

void note_image_start(AsmState& st) {
    Diagnostics::ImageStart& start = st.diag.image_start;
    start = {st.diag.origin_line, st.origin, st.image_extent, 0};
    if (st.diagnostics == nullptr || (st.diag.wanted & warning_bit(Warning::image_span)) == 0) {
        return;
    }
    const auto* placed = reinterpret_cast<const unsigned char*>(st.placed.data());
    const void* first = std::memchr(placed, 1, static_cast<std::size_t>(st.image_extent));
    start.first_placed =
        first != nullptr ? static_cast<std::int32_t>(static_cast<const unsigned char*>(first) - placed) : st.image_extent;
}

void check_whole_source(AsmState& st) {
    if (wants(st, Warning::line_ends)) {
        if (const int lone = lone_carriage_returns(st.source); lone != 0) {
            warn(st, Warning::line_ends, {.value = lone});
        }
    }
    if (wants(st, Warning::empty_source) && only_blank_lines(st.source)) {
        warn(st, Warning::empty_source);
    }
    if (st.diag.image_start.origin_line == 0) {
        check_image_span(st);
    }
}
