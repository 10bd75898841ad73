#pragma once

#include <cstdint>

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

// Why a statement carries its number: every change of error_code goes
// through store_error or add_error (base/diagnose.h) with one of these, so
// that the words printed for a statement name exactly what made its number.
enum class Cause : std::uint8_t {
    store8_immediate,            // added
    pair_register,               // added, per faulty name
    unknown_mnemonic,
    store16_immediate,
    store16_prefixed_immediate,
    branch_range,
    list_register_suffix,
    list_register_unknown,
    byte_outside_image,
    location_outside_image,
    symbol_overflow,
    no_index_register,
    immediate_with_comma,
    label_moved,
    not_yet_defined,
    undefined_symbol,
};

constexpr int error_number(Cause cause) {
    constexpr int numbers[] = {
        ERR_STORE8_IMMEDIATE_ADDS, ERR_PAIR_REGISTER_ADDS,    ERR_UNKNOWN_MNEMONIC,  ERR_STORE16_IMMEDIATE,
        ERR_STORE16_PREFIXED_IMMEDIATE, ERR_BRANCH_RANGE,    ERR_LIST_REGISTER_SUFFIX, ERR_LIST_REGISTER_UNKNOWN,
        ERR_OUTSIDE_IMAGE,         ERR_OUTSIDE_IMAGE,         ERR_SYMBOL_OVERFLOW,   ERR_NO_INDEX_REGISTER,
        ERR_IMMEDIATE_WITH_COMMA,  ERR_LABEL_MOVED,           ERR_NOT_YET_DEFINED,   ERR_UNDEFINED_SYMBOL,
    };
    return numbers[static_cast<int>(cause)];
}
