#include "formats/load_file.h"

#include <algorithm>

#include "formats/hex_records.h"
#include "formats/text_lines.h"

namespace formats {

namespace {

constexpr std::uint32_t ADDRESS_SPACE = 0x10000;

std::optional<LoadError> fault(int line, std::string reason) { return LoadError{line, std::move(reason)}; }

// The bytes written as hex digit pairs from text[pos] to the end of the text.
std::optional<LoadError> read_hex_bytes(int line, std::string_view text, std::size_t pos,
                                        std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    for (; pos < text.size(); pos += 2) {
        const int byte = hex_byte_at(text, pos);
        if (byte < 0 && pos + 1 == text.size()) {
            return fault(line, "an odd number of hex digits");
        }
        if (byte < 0) {
            std::string reason(1, '\'');
            reason.append(text.substr(pos, 2)).append("' is not a hex byte");
            return fault(line, std::move(reason));
        }
        bytes.push_back(static_cast<std::uint8_t>(byte));
    }
    return std::nullopt;
}

unsigned sum_of(const std::vector<std::uint8_t>& bytes, std::size_t count) {
    unsigned sum = 0;
    for (std::size_t i = 0; i < count; ++i) sum += bytes[i];
    return sum;
}

std::optional<LoadError> check_checksum(int line, const std::vector<std::uint8_t>& record, std::uint8_t expected) {
    if (record.back() == expected) return std::nullopt;
    return fault(line, "checksum " + hex_text(record.back(), 2) + ", but the record's bytes give " +
                           hex_text(expected, 2));
}

std::uint32_t big_endian(const std::vector<std::uint8_t>& bytes, std::size_t first, std::size_t count) {
    std::uint32_t value = 0;
    for (std::size_t i = first; i < first + count; ++i) value = value << 8 | bytes[i];
    return value;
}

// Places data read from a record that must lie below $10000 as a whole.
std::optional<LoadError> place_data(int line, std::uint32_t address, const std::uint8_t* data, std::size_t count,
                                    LoadedImage& image) {
    if (address + count > ADDRESS_SPACE) {
        return fault(line, "address past $FFFF (" + std::to_string(count) + " bytes from " + hex_text(address, 4) + ")");
    }
    for (std::size_t i = 0; i < count; ++i) {
        image.bytes.push_back({static_cast<std::uint16_t>(address + i), data[i]});
    }
    return std::nullopt;
}

std::optional<LoadError> set_start(int line, std::uint32_t address, LoadedImage& image) {
    if (address >= ADDRESS_SPACE) {
        return fault(line, "start address " + hex_text(address, 4) + " past $FFFF");
    }
    if (address != 0) {
        image.start = static_cast<std::uint16_t>(address);
    }
    return std::nullopt;
}

// Bytes of the address field of each S-record type; 0 for an unknown type.
constexpr int srec_address_bytes(char type) {
    switch (type) {
        case '0': case '1': case '5': case '9': return 2;
        case '2': case '6': case '8': return 3;
        case '3': case '7': return 4;
        default: return 0;
    }
}

struct SrecReader {
    LoadedImage& image;
    std::vector<std::uint8_t> record;
    std::uint32_t data_records = 0;
    bool ended = false;

    std::optional<LoadError> read(int line, std::string_view text) {
        if (text.empty()) return std::nullopt;
        if (ended) return fault(line, "a record after the end record");
        if (text.size() < 2 || text[0] != 'S') return fault(line, "not an S-record (a line begins with S)");
        const char type = text[1];
        const int width = srec_address_bytes(type);
        if (width == 0) return fault(line, "unknown record type S" + std::string(1, type));
        if (auto error = read_hex_bytes(line, text, 2, record)) return error;
        if (record.empty() || record[0] != record.size() - 1) {
            return fault(line, "count " + (record.empty() ? std::string("missing") : hex_text(record[0], 2)) +
                                   ", but the record holds " + std::to_string(record.empty() ? 0 : record.size() - 1) +
                                   " bytes after it");
        }
        if (record.size() < static_cast<std::size_t>(width) + 2) {
            return fault(line, "the record is too short for its address");
        }
        if (auto error = check_checksum(line, record, srec_checksum(sum_of(record, record.size() - 1)))) return error;
        const std::uint32_t address = big_endian(record, 1, static_cast<std::size_t>(width));
        const std::size_t data = 1 + static_cast<std::size_t>(width);
        switch (type) {
            case '0': return std::nullopt;
            case '1': case '2': case '3':
                ++data_records;
                return place_data(line, address, record.data() + data, record.size() - 1 - data, image);
            case '5': case '6':
                if (address != data_records) {
                    return fault(line, "record count " + std::to_string(address) + ", but the file has " +
                                           std::to_string(data_records) + " data records before it");
                }
                return std::nullopt;
            default:
                ended = true;
                return set_start(line, address, image);
        }
    }
};

struct IhexReader {
    LoadedImage& image;
    std::vector<std::uint8_t> record;
    std::uint32_t base = 0;  // from extended segment (02) and linear (04) address records
    bool ended = false;

    std::optional<LoadError> read(int line, std::string_view text) {
        if (text.empty()) return std::nullopt;
        if (ended) return fault(line, "a record after the end-of-file record");
        if (text[0] != ':') return fault(line, "not an Intel HEX record (a line begins with ':')");
        if (auto error = read_hex_bytes(line, text, 1, record)) return error;
        if (record.size() < 5) return fault(line, "the record is too short");
        const std::size_t count = record[0];
        if (record.size() != count + 5) {
            return fault(line, "count " + hex_text(record[0], 2) + ", but the record holds " +
                                   std::to_string(record.size() - 5) + " data bytes");
        }
        if (auto error = check_checksum(line, record, ihex_checksum(sum_of(record, record.size() - 1)))) return error;
        const std::uint32_t address = big_endian(record, 1, 2);
        const std::uint8_t type = record[3];
        const auto needs = [&](std::size_t bytes) -> std::optional<LoadError> {
            if (count == bytes) return std::nullopt;
            return fault(line, "record type " + hex_text(type, 2) + " holds " + std::to_string(bytes) +
                                   " data bytes, not " + std::to_string(count));
        };
        switch (type) {
            case 0x00: return place_data(line, base + address, record.data() + 4, count, image);
            case 0x01:
                ended = true;
                if (auto error = needs(0)) return error;
                return set_start(line, address, image);
            case 0x02:
                if (auto error = needs(2)) return error;
                base = big_endian(record, 4, 2) << 4;
                return std::nullopt;
            case 0x04:
                if (auto error = needs(2)) return error;
                base = big_endian(record, 4, 2) << 16;
                return std::nullopt;
            case 0x03:
                if (auto error = needs(4)) return error;
                return set_start(line, (big_endian(record, 4, 2) << 4) + big_endian(record, 6, 2), image);
            case 0x05:
                if (auto error = needs(4)) return error;
                return set_start(line, big_endian(record, 4, 4), image);
            default: return fault(line, "unknown record type " + hex_text(type, 2));
        }
    }
};

// Records "@AAAA[bytes]" and the end line "E"; a record's bytes go on at
// $0000 past $FFFF, as the assembler's image does.
struct ObjectReader {
    LoadedImage& image;
    std::vector<std::uint8_t> record;
    bool ended = false;

    std::optional<LoadError> read(int line, std::string_view text) {
        if (text.empty()) return std::nullopt;
        if (ended) return fault(line, "a line after the end line 'E'");
        if (text == "E") {
            ended = true;
            return std::nullopt;
        }
        const int high = hex_byte_at(text, 1), low = hex_byte_at(text, 3);
        if (text.size() < 7 || text[0] != '@' || high < 0 || low < 0 || text[5] != '[') {
            return fault(line, "not a record \"@AAAA[...]\" nor the end line \"E\"");
        }
        if (text.back() != ']') return fault(line, "the record does not end with ']'");
        if (auto error = read_hex_bytes(line, text.substr(0, text.size() - 1), 6, record)) return error;
        const auto address = static_cast<std::uint16_t>(high << 8 | low);
        for (std::size_t i = 0; i < record.size(); ++i) {
            image.bytes.push_back({static_cast<std::uint16_t>(address + i), record[i]});
        }
        return std::nullopt;
    }
};

std::optional<LoadError> until_end(std::string_view text, auto reader, const char* missing) {
    if (auto error = for_each_line(text, [&](int line, std::string_view l) { return reader.read(line, l); })) {
        return error;
    }
    if (!reader.ended) return fault(0, missing);
    return std::nullopt;
}

}  // namespace

std::optional<Format> format_of(std::string_view file_name) {
    const std::size_t dot = file_name.rfind('.');
    if (dot == std::string_view::npos || file_name.find_first_of("/\\", dot) != std::string_view::npos) {
        return std::nullopt;
    }
    std::string extension(file_name.substr(dot + 1));
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    struct Named {
        std::string_view extension;
        Format format;
    };
    static constexpr Named formats[] = {
        {"s19", Format::srec}, {"s28", Format::srec}, {"s37", Format::srec},  {"srec", Format::srec},
        {"mot", Format::srec}, {"hex", Format::ihex}, {"ihx", Format::ihex},  {"obj", Format::object},
        {"rom", Format::rom},  {"bin", Format::binary},
    };
    for (const Named& named : formats) {
        if (named.extension == extension) return named.format;
    }
    return std::nullopt;
}

std::optional<LoadError> read_srec(std::string_view text, LoadedImage& image) {
    return until_end(text, SrecReader{image, {}}, "no end record (S9, S8 or S7): the file ends early");
}

std::optional<LoadError> read_ihex(std::string_view text, LoadedImage& image) {
    return until_end(text, IhexReader{image, {}}, "no end-of-file record (type 01): the file ends early");
}

std::optional<LoadError> read_object(std::string_view text, LoadedImage& image) {
    return until_end(text, ObjectReader{image, {}}, "no end line \"E\": the file ends early");
}

// One line "[#AAAA," then "XX," for each byte, then "])", AAAA the address
// of the first byte less $8000.
std::optional<LoadError> read_rom(std::string_view text, LoadedImage& image) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
        text.remove_suffix(1);
    }
    const auto at = [](std::size_t pos, const std::string& what) {
        return fault(1, "expected " + what + " at column " + std::to_string(pos + 1));
    };
    const int high = hex_byte_at(text, 2), low = hex_byte_at(text, 4);
    if (!text.starts_with("[#") || high < 0 || low < 0 || text.size() < 7 || text[6] != ',') {
        return fault(1, "not a ROM-writer image (it begins \"[#AAAA,\")");
    }
    const std::uint16_t address = static_cast<std::uint16_t>((high << 8 | low) + 0x8000);
    std::size_t pos = 7;
    for (std::uint32_t i = 0; pos < text.size() && text[pos] != ']'; ++i, pos += 3) {
        const int byte = hex_byte_at(text, pos);
        if (byte < 0) return at(pos, "two hex digits");
        if (pos + 2 >= text.size() || text[pos + 2] != ',') return at(pos + 2, "','");
        if (i == ADDRESS_SPACE) return fault(1, "more than 64 KiB of bytes");
        image.bytes.push_back({static_cast<std::uint16_t>(address + i), static_cast<std::uint8_t>(byte)});
    }
    if (text.substr(std::min(pos, text.size())) != "])") {
        return pos + 1 < text.size() ? at(pos + 1, "')' as the last character") : at(pos, "\"])\" at the end");
    }
    return std::nullopt;
}

std::optional<LoadError> read_binary(std::string_view bytes, std::optional<std::uint16_t> address,
                                     LoadedImage& image) {
    if (bytes.size() > ADDRESS_SPACE) return fault(0, "larger than 64 KiB");
    const std::uint32_t first = address ? *address : static_cast<std::uint32_t>(ADDRESS_SPACE - bytes.size());
    return place_data(0, first, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), image);
}

std::optional<LoadError> read_load_file(Format format, std::string_view contents,
                                        std::optional<std::uint16_t> binary_address, LoadedImage& image) {
    switch (format) {
        case Format::srec: return read_srec(contents, image);
        case Format::ihex: return read_ihex(contents, image);
        case Format::object: return read_object(contents, image);
        case Format::rom: return read_rom(contents, image);
        case Format::binary: return read_binary(contents, binary_address, image);
    }
    return std::nullopt;
}

}  // namespace formats
