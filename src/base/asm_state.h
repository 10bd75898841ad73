#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <ostream>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "base/diagnostics.h"

inline constexpr int LINE_SIZE = 80;        // statement text: 79 characters and a NUL
inline constexpr int LINE_MAX_CHARS = 79;
inline constexpr int FIELDS_SIZE = 100;     // five fields of 20 characters
inline constexpr int IMAGE_SIZE = 65536;    // the whole address space
inline constexpr int EMIT_SIZE = 6;
inline constexpr int SYMBOL_CAPACITY = 1000;
inline constexpr int SYMBOL_NAME_LEN = 10;
inline constexpr std::size_t LISTING_BLOCK = 65536;
inline constexpr int SYMBOL_SLOTS = 2048;  // a power of two, at least twice the rows

enum SymbolKind : std::uint8_t {
    SYM_UNDEFINED = 0,  // referred to, not (yet) defined
    SYM_LABEL = 2,      // defined in the label field
    SYM_EQU = 10,       // defined by equ or "="
};

// The bytes of a source and a NUL after them, in room that is not cleared
// before the bytes are read into it, as a string's would be: 0.21 M of the
// benchmark's 24.8 M instructions.
class SourceBytes {
public:
    std::size_t size() const { return size_; }
    const char* data() const { return bytes_ ? bytes_.get() : ""; }
    operator std::string_view() const { return {data(), size_}; }

    // Bytes that can be added without making the room larger.
    std::size_t spare() const { return capacity_ - size_; }
    // Room for `n` bytes after those held: where they are to be written.
    char* room(std::size_t n) {
        if (spare() < n) {
            const std::size_t capacity = std::max(size_ + n, 2 * capacity_);
            std::unique_ptr<char[]> bytes(new char[capacity + 1]);
            std::memcpy(bytes.get(), data(), size_);
            bytes_ = std::move(bytes);
            capacity_ = capacity;
        }
        return bytes_.get() + size_;
    }
    // Holds the `n` bytes written into the room as well.
    void add(std::size_t n) {
        size_ += n;
        bytes_[size_] = '\0';
    }
    void clear() {
        size_ = 0;
        if (bytes_) {
            bytes_[0] = '\0';
        }
    }

private:
    std::unique_ptr<char[]> bytes_;  // capacity_ + 1 of them, when there are any
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

// The text of the statement being read: LINE_SIZE characters, a NUL after
// the text and spaces after the NUL. A plain statement's text is its source
// bytes as they stand: it is kept as where they lie, and copied out only when
// something reads it, since most statements are assembled from their fields
// alone. Made for each statement, it cost the benchmark 1.2 M of its 22.7 M
// instructions and 1.3 % of its CPU time (A/B, 400 runs each).
class StatementLine {
public:
    // The characters, copied out now if they are not yet.
    const char* data() const {
        if (source_ != nullptr) {
            copy_out();
        }
        return chars_.data();
    }
    char operator[](int i) const { return data()[i]; }
    // Where the text is written, as the walk writes it.
    char* buffer() {
        source_ = nullptr;
        return chars_.data();
    }
    // The text is the `length` bytes at `source` (under LINE_SIZE of them),
    // after which at least LINE_SIZE - length more can be read.
    void stand_in(const unsigned char* source, int length) {
        source_ = source;
        length_ = length;
    }
    // The text is `text` (under LINE_SIZE characters), copied in now.
    void assign(std::string_view text) {
        put(text.data(), text.size());
        source_ = nullptr;
    }
    // LINE_SIZE characters that begin with the text, wherever it is now: for
    // a copy that keeps only the text.
    const char* columns() const { return source_ != nullptr ? reinterpret_cast<const char*>(source_) : chars_.data(); }

private:
    void put(const void* text, std::size_t length) const {
        std::memcpy(chars_.data(), text, length);
        chars_[length] = '\0';
        std::memset(chars_.data() + length + 1, ' ', LINE_SIZE - length - 1);
    }
    void copy_out() const {
        put(source_, static_cast<std::size_t>(length_));
        source_ = nullptr;
    }

    mutable std::array<char, LINE_SIZE> chars_{};
    mutable const unsigned char* source_ = nullptr;  // the text, while it is not copied out
    int length_ = 0;
};

// One row of the symbol table.
struct SymbolEntry {
    std::array<char, SYMBOL_NAME_LEN> name;  // space-padded, case as written
    char terminator;                         // always NUL
    std::uint8_t kind;
    std::int32_t value;
};

// Where the fields of a plain statement (one whose text is its bytes as they
// stand) come from: field f holds the lengths[f] characters of the text from
// column starts[f] (lowered in the mnemonic field), and its comma mark when
// bit f of commas is set. Pass 1 keeps one for each statement, for pass 2.
struct StatementLayout {
    static constexpr std::uint8_t WALKED = 0xFF;  // as length: a statement read by the walk
    std::uint8_t length = 0;  // of the text: its bytes before the line feed or colon
    std::array<std::uint8_t, 5> starts{};
    std::array<std::uint8_t, 5> lengths{};
    std::uint8_t commas = 0;
    std::uint8_t operand_at = LINE_SIZE;
    std::int8_t slash_field = -1;
    bool tab = false;  // a tab made the statement other than plain
};

// The run's tables that start as zeroes: the code image, the marks of the
// bytes placed in it, and the symbol table's rows with what is kept beside
// them. They are taken from the system as zeroed memory (calloc): at this
// size the system maps fresh pages, which cost nothing until something is
// stored in them. Zeroed in place, the image and its marks cost the empty
// source 32 page faults (of 94); the symbol table, zeroed on the stack,
// 7 more (of 60) and 1.3 % of its run's CPU time (A/B, 400 runs each; the
// benchmark's run, which fills those pages anyway, moved by +0.7 %, within
// the noise).
struct ZeroedTables {
    std::array<std::uint8_t, IMAGE_SIZE> image;
    std::array<bool, IMAGE_SIZE> placed;
    std::array<SymbolEntry, SYMBOL_CAPACITY> symbols;
    std::array<std::uint32_t, SYMBOL_CAPACITY> symbol_prints;
    std::array<std::uint16_t, SYMBOL_SLOTS> symbol_slots;
    std::array<std::int32_t, SYMBOL_CAPACITY> symbol_lines;
    std::array<std::uint8_t, SYMBOL_CAPACITY> label_definitions;
    std::array<bool, SYMBOL_CAPACITY> negative_equ;
};
struct FreeTables {
    void operator()(ZeroedTables* tables) const { std::free(tables); }
};
inline std::unique_ptr<ZeroedTables, FreeTables> zeroed_tables() {
    static_assert(std::is_trivially_default_constructible_v<ZeroedTables>);
    void* tables = std::calloc(1, sizeof(ZeroedTables));
    if (tables == nullptr) {
        throw std::bad_alloc();
    }
    return std::unique_ptr<ZeroedTables, FreeTables>(static_cast<ZeroedTables*>(tables));
}

// The whole state of one assembly run. Exactly one exists per run; every
// operation receives it by reference. Addresses are 16-bit quantities held in
// 32-bit integers that wrap as they advance; rules mask them where they print
// or store them.
struct AsmState {
    explicit AsmState(std::ostream& console_stream) : console(console_stream) {}
    AsmState(const AsmState&) = delete;
    AsmState& operator=(const AsmState&) = delete;

    // Streams.
    std::ostream& console;                 // every console message
    std::ostream* diagnostics = nullptr;   // standard error when started with arguments; else none
    std::ostream out{nullptr};             // the listing while the passes run
    // The listing is made here and written to `out` a whole block at a time;
    // once it is written, the image files are made here too.
    std::array<char, LISTING_BLOCK> listing_block;  // read only where written
    std::size_t listing_used = 0;

    // The source and the current statement.
    std::string source_name;                 // as given, for diagnostics
    SourceBytes source;                      // the whole source, read once; both passes read it
    StatementLine line;                      // statement text, NUL-terminated, spaces after the NUL
    std::int32_t line_len = 0;               // characters of line before its first NUL
    std::array<char, FIELDS_SIZE> fields{};  // five space-filled fields of 20, no terminator
    // What the field splitter met, for the warnings about it.
    std::int32_t operand_at = LINE_SIZE;  // position in line where operand 1 starts; LINE_SIZE when none
    std::int32_t slash_field = -1;  // start of the field a "/" cut right after a character of it; -1 when none
    std::uint8_t long_fields = 0;   // bit f: field f (label, mnemonic, operand 1) ran on past 20 characters
    std::vector<StatementLayout> statements;  // of pass 1, in order, for pass 2

    // The code image.
    std::unique_ptr<ZeroedTables, FreeTables> tables = zeroed_tables();
    std::array<std::uint8_t, IMAGE_SIZE>& image = tables->image;  // zero at run start, never cleared
    std::int32_t origin = 0;                       // address of image byte 0
    std::int32_t image_len = 0;                    // index of the next image byte
    std::int32_t image_extent = 0;  // largest image_len of the pass, 0..IMAGE_SIZE: what the image files hold
    std::array<bool, IMAGE_SIZE>& placed = tables->placed;  // image bytes a statement of this pass stored
    // Empty, or IMAGE_SIZE entries when the run checks where bytes lie: the
    // source line of the statement that stored each byte last (meaningful
    // where placed is true).
    std::vector<std::int32_t> placed_line;

    // The symbol table.
    std::array<SymbolEntry, SYMBOL_CAPACITY>& symbols = tables->symbols;
    std::int32_t symbol_count = 0;  // rows in use
    // A 32-bit fingerprint of each row's name, side by side, for the search.
    std::array<std::uint32_t, SYMBOL_CAPACITY>& symbol_prints = tables->symbol_prints;
    // The rows by the hash of their names (open addressing): a slot holds a
    // row + 1; one that names no row in use (0 included) is free.
    std::array<std::uint16_t, SYMBOL_SLOTS>& symbol_slots = tables->symbol_slots;
    bool symbol_overflow = false;   // a lookup met a full table; such a run writes no images
    // The source line where each row was first met.
    std::array<std::int32_t, SYMBOL_CAPACITY>& symbol_lines = tables->symbol_lines;
    // Label definitions of each row so far, both passes counted (at most 255):
    // tells a label defined twice from one that moved between the passes.
    std::array<std::uint8_t, SYMBOL_CAPACITY>& label_definitions = tables->label_definitions;
    // Rows an equ set to a negative value: the row holds its 16 bits ($9700
    // for -$6900), but a term naming it means the negative number.
    std::array<bool, SYMBOL_CAPACITY>& negative_equ = tables->negative_equ;

    // Counters of the pass.
    std::int32_t loc = 0;          // location counter: address of the next byte
    std::int32_t source_line = 1;  // 1-based physical line being read
    std::int32_t list_seq = 1;     // statement number shown in the listing
    std::int32_t error_count = 0;  // statements listed with an error (pass 2)
    std::int32_t end_seen = 0;     // nonzero once end or the end of the text was met

    // The current statement.
    std::int32_t stmt_loc = 0;                // loc at the start of the statement
    std::array<std::int32_t, EMIT_SIZE> emit{};  // its first bytes; low 8 bits count
    std::int32_t error_code = 0;              // its error number; 0 for none
    bool stmt_instruction = false;            // its bytes are an instruction's, not a directive's

    // Top-of-memory placement (org ?), carried from pass 1 into pass 2.
    std::int32_t top_placement = 0;  // 1 once an org ? was met in the run
    std::int32_t end_len = 0;        // image_len at the end directive

    // Run flags.
    bool quiet = false;  // no pass messages on the console
    bool list_cycles = false;  // each instruction's cycle count in the listing

    // With list_cycles: the counts (the lower where there are two) listed since
    // the last statement with a label, that statement included.
    std::int32_t cycle_subtotal = 0;

    // Warnings and error causes (reported only in pass 2, and only when
    // diagnostics has somewhere to go).
    Diagnostics diag;
};

// Wrap-around 32-bit addition, as the counters and values use it.
inline std::int32_t wrap_add(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
inline std::int32_t wrap_sub(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}

// Writes the listing's block to `out`.
inline void flush_listing(AsmState& st) {
    if (st.listing_used != 0) {
        st.out.write(st.listing_block.data(), static_cast<std::streamsize>(st.listing_used));
        st.listing_used = 0;
    }
}

// Appends text to the listing; each block that fills goes out in one write.
inline void write_listing(AsmState& st, const char* text, std::size_t n) {
    while (n != 0) {
        const std::size_t part = std::min(n, LISTING_BLOCK - st.listing_used);
        std::memcpy(st.listing_block.data() + st.listing_used, text, part);
        st.listing_used += part;
        text += part;
        n -= part;
        if (st.listing_used == LISTING_BLOCK) {
            flush_listing(st);
        }
    }
}
