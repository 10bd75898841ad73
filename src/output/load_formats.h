#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct AsmState;

// Addresses first to last, inclusive: $0000 <= first <= last <= $FFFF.
struct AddressRange {
    std::int32_t first;
    std::int32_t last;

    bool holds(std::int32_t address) const { return address >= first && address <= last; }
};

// How the extra formats fit the memory they are loaded into. The defaults
// give the image as it stands.
struct ImageLayout {
    std::optional<AddressRange> range;  // the formats cover exactly these addresses
    std::optional<std::uint8_t> fill;   // the binary's bytes that no statement placed
    std::int32_t entry = 0;             // start address carried by the end records
};

// Extra image formats, written after the ROM image and the object file, from
// the image as pass 2 left it. With a range or a fill byte, the S-records and
// Intel HEX carry only the bytes that statements placed, so that a loader
// filling the rest itself gets the same memory as the binary.
std::string srec_text(const AsmState& st, const std::string& header, const ImageLayout& layout = {});
std::string ihex_text(const AsmState& st, const ImageLayout& layout = {});
std::string bin_bytes(const AsmState& st, const ImageLayout& layout = {});
std::string symbol_text(const AsmState& st);

// A byte that a statement placed: its address and the statement's line.
struct PlacedByte {
    std::int32_t address;
    std::int32_t line;
};

// The first placed byte, from the origin up, whose address lies outside the
// range; none when every placed byte lies inside. The passes must have
// recorded placed_line.
std::optional<PlacedByte> first_placed_outside(const AsmState& st, AddressRange range);

inline constexpr int LOAD_RECORD_BYTES = 16;
inline constexpr int SREC_HEADER_MAX = 64;
