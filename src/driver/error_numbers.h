#pragma once

// Error numbers a statement can carry in error_code (0 means none). Most
// checks store their number, so the last one wins; the 8-bit store check and
// each faulty exg/tfr register name add 1 to what the statement already holds.
inline constexpr int ERR_STORE8_IMMEDIATE_ADDS = 1;   // added
inline constexpr int ERR_PAIR_REGISTER_ADDS = 1;      // added, per faulty name
inline constexpr int ERR_UNKNOWN_MNEMONIC = 2;
inline constexpr int ERR_STORE16_IMMEDIATE = 3;
inline constexpr int ERR_STORE16_PREFIXED_IMMEDIATE = 4;
inline constexpr int ERR_BRANCH_RANGE = 5;
inline constexpr int ERR_LIST_REGISTER_SUFFIX = 5;
inline constexpr int ERR_LIST_REGISTER_UNKNOWN = 6;
inline constexpr int ERR_OUTSIDE_IMAGE = 7;
inline constexpr int ERR_SYMBOL_OVERFLOW = 8;
inline constexpr int ERR_NO_INDEX_REGISTER = 9;
inline constexpr int ERR_IMMEDIATE_WITH_COMMA = 10;
inline constexpr int ERR_LABEL_MOVED = 76;
inline constexpr int ERR_NOT_YET_DEFINED = 77;
inline constexpr int ERR_UNDEFINED_SYMBOL = 78;
