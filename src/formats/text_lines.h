#pragma once

#include <algorithm>
#include <optional>
#include <string_view>

namespace formats {

// Calls read(line number, line) for each line of the text, without its line
// end (LF or CR LF) and trailing blanks, until read returns a fault (an
// engaged optional), which it returns.
template <typename Read>
auto for_each_line(std::string_view text, Read read) -> decltype(read(0, text)) {
    int number = 0;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        ++number;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) {
            line.remove_suffix(1);
        }
        if (auto fault = read(number, line)) {
            return fault;
        }
    }
    return std::nullopt;
}

}  // namespace formats
