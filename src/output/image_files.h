#pragma once

#include <string>

struct AsmState;

// Each writes its file through `out` from the image as pass 2 left it, and
// returns false when the file cannot be created or written.
bool write_rom_file(AsmState& st, const std::string& name);
bool write_obj_file(AsmState& st, const std::string& name);

inline constexpr int OBJ_RECORD_BYTES = 16;
inline constexpr int ROM_ADDRESS_BASE = 0x8000;
