#include "codegen/insn_table.h"

#include <array>
#include <cstdint>

namespace {

// The hash's multiplier is chosen when compiling: the first under which no
// two rows share a slot. A search is then one multiplication and one
// compare. Pays: 0.5 M instead of 3.8 M instructions for a binary search of
// a sorted key index on the benchmark source. No two rows share a name, so
// the row found is the first and only row that matches, as a search in table
// order would find it.
constexpr bool place_rows(InsnHash& hash) {
    hash.rows.fill(INSN_NO_ROW);
    for (int row = 0; row < INSN_ROWS; ++row) {
        std::uint8_t& slot = hash.rows[insn_slot(insn_key(insn_table[row].name.data()), hash.multiplier)];
        if (slot != INSN_NO_ROW) {
            return false;
        }
        slot = static_cast<std::uint8_t>(row);
    }
    return true;
}

constexpr InsnHash build_insn_hash() {
    InsnHash hash{};
    for (hash.multiplier = 0x9E3779B1u; !place_rows(hash); hash.multiplier += 2) {
    }
    return hash;
}

constexpr bool names_unique() {
    for (int i = 0; i < INSN_ROWS; ++i) {
        for (int j = i + 1; j < INSN_ROWS; ++j) {
            if (mnemonic_key(insn_table[i].name.data()) == mnemonic_key(insn_table[j].name.data())) {
                return false;
            }
        }
    }
    return true;
}
static_assert(names_unique(), "the lookup relies on unique mnemonics");

constexpr int rows_setting_flags_otherwise() {
    int rows = 0;
    for (const InsnEntry& row : insn_table) {
        rows += row.sets_flags_otherwise ? 1 : 0;
    }
    return rows;
}
static_assert(rows_setting_flags_otherwise() == 3, "each mnemonic of sets_flags_otherwise names a row");

}  // namespace

constexpr InsnHash insn_hash = build_insn_hash();
