#pragma once

#include <string>

struct AsmState;

// Extra image formats, written after the ROM image and the object file. Each
// writes through `out` and returns false when the file cannot be created or
// written.
bool write_srec_file(AsmState& st, const std::string& name, const std::string& header);
bool write_ihex_file(AsmState& st, const std::string& name);
bool write_bin_file(AsmState& st, const std::string& name);
bool write_symbol_file(AsmState& st, const std::string& name);

inline constexpr int LOAD_RECORD_BYTES = 16;
inline constexpr int SREC_HEADER_MAX = 64;
