#pragma once

#include <string>

struct AsmState;

// Extra image formats, written after the ROM image and the object file, from
// the image as pass 2 left it.
std::string srec_text(const AsmState& st, const std::string& header);
std::string ihex_text(const AsmState& st);
std::string bin_bytes(const AsmState& st);
std::string symbol_text(const AsmState& st);

inline constexpr int LOAD_RECORD_BYTES = 16;
inline constexpr int SREC_HEADER_MAX = 64;
