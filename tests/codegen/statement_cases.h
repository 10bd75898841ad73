#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>

#include "support/assemble.h"

// One statement, the bytes it must place (as hex_bytes writes them) and the
// error number it must leave.
struct StatementCase {
    const char* text;
    const char* bytes;
    int error;
};

// Assembles each case on a fresh state: `setup` runs first (symbols), then
// the location counter is set to `loc`.
template <typename Setup>
void expect_statements(std::initializer_list<StatementCase> cases, std::int32_t loc, Setup setup) {
    for (const StatementCase& c : cases) {
        TestAsm t;
        setup(t);
        t.st->loc = loc;
        EXPECT_EQ(hex_bytes(t.assemble(c.text)), c.bytes) << '"' << c.text << '"';
        EXPECT_EQ(t.st->error_code, c.error) << '"' << c.text << '"';
    }
}

inline void expect_statements(std::initializer_list<StatementCase> cases, std::int32_t loc = 0) {
    expect_statements(cases, loc, [](TestAsm&) {});
}
