#pragma once

// Readers of the load files that the assembler writes and that other tools
// exchange: Motorola S-records, Intel HEX, the assembler's object file and
// ROM-writer image, and raw binaries.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace formats {

struct PlacedByte {
    std::uint16_t address;
    std::uint8_t value;
};

// What one file puts into the 64 KiB address space, in the file's order.
struct LoadedImage {
    std::vector<PlacedByte> bytes;
    // The start address of an end record (S9, S8, S7; Intel HEX 01, 03, 05),
    // when the file carries one that is not zero.
    std::optional<std::uint16_t> start;
};

// Why a file is refused: the line (1-based; 0 when the file as a whole is at
// fault) and the reason.
struct LoadError {
    int line = 0;
    std::string reason;
};

enum class Format { srec, ihex, object, rom, binary };

// The format that a file name's extension names (.s19 .s28 .s37 .srec .mot,
// .hex .ihx, .obj, .rom, .bin), either case.
std::optional<Format> format_of(std::string_view file_name);

// Reads the contents of a file of the given format. A binary is placed at
// `binary_address`, or so that it ends at $FFFF when none is given. Returns
// the first fault of a malformed file; `image` then holds nothing usable.
std::optional<LoadError> read_load_file(Format format, std::string_view contents,
                                        std::optional<std::uint16_t> binary_address, LoadedImage& image);

std::optional<LoadError> read_srec(std::string_view text, LoadedImage& image);
std::optional<LoadError> read_ihex(std::string_view text, LoadedImage& image);
std::optional<LoadError> read_object(std::string_view text, LoadedImage& image);
std::optional<LoadError> read_rom(std::string_view text, LoadedImage& image);
std::optional<LoadError> read_binary(std::string_view bytes, std::optional<std::uint16_t> address, LoadedImage& image);

}  // namespace formats
