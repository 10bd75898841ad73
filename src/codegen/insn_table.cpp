#include "codegen/insn_table.h"

#include <cstring>

const InsnEntry* find_insn(const char* mnemonic) {
    for (const InsnEntry& row : insn_table) {
        if (row.cls == CLS_NONE) {
            break;
        }
        if (std::memcmp(row.name.data(), mnemonic, MNEMONIC_SIGNIFICANT) == 0) {
            return &row;
        }
    }
    return nullptr;
}
