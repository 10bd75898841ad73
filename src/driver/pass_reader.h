#pragma once

#include <cstddef>
#include <string>
#include <system_error>

struct AsmState;

// The largest source read: a larger one (or one that never ends, such as
// /dev/zero) is refused with std::errc::file_too_large.
inline constexpr std::size_t SOURCE_SIZE_LIMIT = std::size_t{64} << 20;

// Reads the whole named source into st.source, once, for both passes to walk;
// false, with the reason in `error`, when it cannot be opened or read (a
// directory, a source larger than SOURCE_SIZE_LIMIT).
bool load_source(AsmState& st, const std::string& source_name, std::error_code& error);
// The same for the source on standard input, read byte for byte.
bool load_standard_input(AsmState& st, std::error_code& error);

// Runs one pass (1 or 2) over st.source.
void run_pass(AsmState& st, int pass);
