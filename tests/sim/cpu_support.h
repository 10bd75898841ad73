#pragma once

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "sim/cpu.h"

// A machine state written as text: "a=80 cc=0A x=2000 @2010=7F irq=1"
// (hexadecimal values; @ADDR=BYTE for memory; irq, firq, nmi for the lines).
struct StateText {
    std::map<std::string, unsigned> registers;
    std::map<std::uint16_t, std::uint8_t> memory;
};

inline StateText parse_state(const std::string& text) {
    StateText state;
    std::istringstream words(text);
    std::string word;
    while (words >> word) {
        const auto equals = word.find('=');
        const std::string key = word.substr(0, equals);
        const unsigned value = static_cast<unsigned>(std::stoul(word.substr(equals + 1), nullptr, 16));
        if (key[0] == '@') {
            state.memory[static_cast<std::uint16_t>(std::stoul(key.substr(1), nullptr, 16))] =
                static_cast<std::uint8_t>(value);
        } else {
            state.registers[key] = value;
        }
    }
    return state;
}

inline void set_register(sim::Registers& r, const std::string& name, unsigned value) {
    const auto byte = static_cast<std::uint8_t>(value);
    const auto word = static_cast<std::uint16_t>(value);
    if (name == "a") r.a = byte;
    else if (name == "b") r.b = byte;
    else if (name == "dp") r.dp = byte;
    else if (name == "cc") r.cc = byte;
    else if (name == "x") r.x = word;
    else if (name == "y") r.y = word;
    else if (name == "u") r.u = word;
    else if (name == "s") r.s = word;
    else if (name == "pc") r.pc = word;
    else if (name == "d") {
        r.a = static_cast<std::uint8_t>(value >> 8);
        r.b = byte;
    }
}

// Applies a state to the registers, the memory and its lines.
inline void apply_state(const StateText& state, sim::Registers& r, sim::Memory& memory) {
    for (const auto& [name, value] : state.registers) {
        if (name == "irq") memory.lines.irq = value != 0;
        else if (name == "firq") memory.lines.firq = value != 0;
        else if (name == "nmi") memory.lines.nmi = value != 0;
        else set_register(r, name, value);
    }
    for (const auto& [address, value] : state.memory) {
        memory.load(address, value);
    }
}

// The leading two-digit hex words of "86 41 lda #$41".
inline std::vector<std::uint8_t> parse_bytes(const std::string& text) {
    std::vector<std::uint8_t> bytes;
    std::istringstream words(text);
    std::string word;
    while (words >> word && word.size() == 2 && std::isxdigit(static_cast<unsigned char>(word[0])) &&
           std::isxdigit(static_cast<unsigned char>(word[1]))) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(word, nullptr, 16)));
    }
    return bytes;
}

inline std::string registers_text(const sim::Registers& r) {
    char text[96];
    std::snprintf(text, sizeof text, "a=%02X b=%02X dp=%02X cc=%02X x=%04X y=%04X u=%04X s=%04X pc=%04X", r.a, r.b,
                  r.dp, r.cc, r.x, r.y, r.u, r.s, r.pc);
    return text;
}
