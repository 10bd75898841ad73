#include "codegen/directives.h"

#include <cstdint>
#include <string_view>

#include "base/diagnose.h"
#include "base/error_numbers.h"
#include "source/fields.h"
#include "source/operand.h"
#include "source/symbols.h"

namespace {

// Bytes of a data directive: each goes to the image, the first six also to emit.
struct DataBytes {
    AsmState& st;
    int listed = 0;

    void byte(std::int32_t byte) {
        if (listed < EMIT_SIZE) {
            st.emit[listed] = byte & 0xFF;
            ++listed;
        }
        place_byte(st, byte);
    }
    void word(std::int32_t word) {
        byte((word >> 8) & 0xFF);
        byte(word & 0xFF);
    }
    RuleResult placed() const { return {DIRECTIVE_PLACED, listed}; }
};

void check_image_bound(AsmState& st) {
    if (st.image_len > IMAGE_SIZE) {
        store_error(st, Cause::location_outside_image, {.value = st.loc, .other = st.origin});
    }
}

// The operand value of org, equ and rmb, taken to 16 bits.
std::int32_t address_operand(AsmState& st) {
    const std::int32_t v = operand_value(st);
    check_fits(st, v, 16, v & 0xFFFF);
    return v & 0xFFFF;
}

// Where org ? starts the program: at $1000 in pass 1, which measures it; in
// pass 2 so that its last byte lies at $FFFF.
std::int32_t top_placement_start(const AsmState& st) {
    return (st.end_len == 0) ? TOP_PLACEMENT_START : wrap_sub(0x10000, st.end_len) & 0xFFFF;
}

// How far below the first placed byte the image files may begin, because
// space was reserved before it, before image-span is said: a page. A few
// bytes of flags reserved in front of the code stay quiet.
constexpr std::int32_t IMAGE_SPAN_QUIET = 256;

RuleResult org(AsmState& st) {
    if (st.image_len == 0) {
        if (st.source_line == st.diag.image_start.origin_line) {
            check_image_span(st);
        }
        st.diag.origin_line = st.source_line;
    }
    if (operand1(st, 0) == '?') {
        st.loc = top_placement_start(st);
        st.origin = st.loc;
        st.top_placement = 1;
        return {0};
    }
    const std::int32_t v = address_operand(st);
    if (st.image_len == 0) {
        st.loc = v;
        st.origin = v;
    } else {
        st.image_len = wrap_add(st.image_len, wrap_sub(v, st.loc));
        st.loc = v;
        check_image_bound(st);
    }
    return {0};
}

// The operand named a symbol defined nowhere: its error is about to be
// cleared, and the label takes $FFFF (or that plus a second term).
void check_undefined_operand(AsmState& st, int label_row, std::int32_t v) {
    if (const Finding* cause = find_cause(st, Cause::undefined_symbol)) {
        const std::string_view label = (label_row != NO_ROW) ? symbol_name(st.symbols[label_row]) : "";
        warn(st, Warning::undefined_equ, {.text = label, .more = cause->text, .value = v});
    }
}

// The operand of an equ means a negative value: written so, or naming a
// negative equ symbol (told only while warnings are recorded).
bool means_negative(const AsmState& st, std::int32_t value) {
    return value < 0 || (value == st.diag.evaluated && std::int64_t{value} + st.diag.meant_shift < 0);
}

RuleResult equ(AsmState& st, int label_row) {
    const std::int32_t value = operand_value(st);
    check_fits(st, value, 16, value & 0xFFFF);
    const std::int32_t v = value & 0xFFFF;
    if (label_row != NO_ROW) {
        st.symbols[label_row].value = v;
        st.symbols[label_row].kind = SYM_EQU;
        st.negative_equ[label_row] = means_negative(st, value);
    }
    if (wants(st, Warning::undefined_equ)) {
        check_undefined_operand(st, label_row, v);
    }
    clear_error(st);
    return {0};
}

// Position of the item after the comma at `comma`: spaces right after a comma
// are skipped, so "1, 2" reads as "1,2".
int item_after_comma(SourceText line, int comma) {
    int p = comma + 1;
    while (line.at(p) == ' ') {
        ++p;
    }
    return p;
}

// Where the text after an fcb or fdb list begins: at the first space of the
// list that no comma comes before (spaces after a comma are skipped to the
// item). The character of a constant belongs to its item.
int trailing_text_at(const AsmState& st) {
    const SourceText line = line_text(st);
    int i = st.operand_at;
    while (!line.ends_at(i) && line.at(i) != ' ') {
        if (line.at(i) == ',') {
            i = item_after_comma(line, i);
        } else {
            i += (line.at(i) == '\'' && !line.ends_at(i + 1)) ? 2 : 1;
        }
    }
    return i;
}

// A list item that is a character constant of ",", "*" or a space: the
// character splits, ends or cuts the list instead.
void check_list_character(AsmState& st, SourceText line, int item) {
    const char c = line.at(item + 1);
    if (line.at(item) == '\'' && (c == ',' || c == '*' || c == ' ')) {
        warn(st, Warning::fcb_char, {.value = c});
    }
}

// Calls on_item with the value of every item after a comma of the statement
// text, up to its end or a "*".
template <typename OnItem>
void scan_list_items(AsmState& st, OnItem on_item) {
    const SourceText line = line_text(st);
    const bool checking = st.diag.enabled != 0;
    const int trailing = checking ? trailing_text_at(st) : LINE_SIZE;
    if (checking) {
        check_list_character(st, line, st.operand_at);
        check_spaced_operand(st, trailing);
    }
    for (int i = 0; !line.ends_at(i) && line.at(i) != '*'; ++i) {
        if (line.at(i) == ',') {
            const int item = item_after_comma(line, i);
            if (checking) {
                check_list_character(st, line, item);
                if (i > trailing) {
                    warn(st, Warning::comment_comma, {.text = line_from(st, trailing + 1)});
                }
            }
            on_item(eval_operand(st, line, item));
        }
    }
}

RuleResult fcb(AsmState& st) {
    DataBytes bytes{st};
    const auto item = [&](std::int32_t v) {
        check_fits(st, v, 8, v & 0xFF);
        bytes.byte(v & 0xFF);
    };
    item(operand_value(st));
    scan_list_items(st, item);
    return bytes.placed();
}

RuleResult fdb(AsmState& st) {
    DataBytes bytes{st};
    const auto item = [&](std::int32_t v) {
        check_fits(st, v, 16, v & 0xFFFF);
        bytes.word(v & 0xFFFF);
    };
    item(operand_value(st));
    scan_list_items(st, item);
    return bytes.placed();
}

RuleResult fcc(AsmState& st) {
    DataBytes bytes{st};
    const SourceText line = line_text(st);
    int i = 0;
    while (!line.ends_at(i) && line.at(i) != '/') {
        ++i;
    }
    if (line.ends_at(i)) {
        warn(st, Warning::fcc_delimiter, {.form = FCC_NO_SLASH, .text = line_from(st, st.operand_at)});
        return bytes.placed();
    }
    const int opening = i;
    for (++i; !line.ends_at(i) && line.at(i) != '/'; ++i) {
        bytes.byte(static_cast<unsigned char>(line.at(i)));
    }
    if (line.ends_at(i)) {
        warn(st, Warning::fcc_delimiter, {.form = FCC_NO_CLOSING, .text = line_from(st, opening)});
    }
    return bytes.placed();
}

RuleResult rmb(AsmState& st) {
    const std::int32_t count = operand_value(st);
    check_fits(st, count, 16, count & 0xFFFF);
    const std::int32_t v = count & 0xFFFF;
    if (count < 0) {
        warn(st, Warning::wrap, {.form = WRAP_NEGATIVE_COUNT, .value = count, .other = v});
    }
    st.image_len = wrap_add(st.image_len, v);
    st.loc = wrap_add(st.loc, v);
    if (v != 0 && st.loc > 0x10000) {
        warn(st, Warning::wrap, {.form = WRAP_RESERVED, .value = st.loc});
    }
    check_image_bound(st);
    return {0};
}

RuleResult end(AsmState& st) {
    st.end_len = st.image_len;
    ++st.end_seen;
    return {0};
}

}  // namespace

void check_image_span(AsmState& st) {
    Diagnostics::ImageStart& start = st.diag.image_start;
    const bool none_placed = start.first_placed == start.extent;
    if (start.first_placed < IMAGE_SPAN_QUIET || none_placed || st.top_placement != 0 ||
        !wants(st, Warning::image_span)) {
        return;
    }
    warn(st, Warning::image_span,
         {.value = start.origin,
          .other = wrap_add(start.origin, start.first_placed) & 0xFFFF,
          .last = wrap_add(start.origin, start.extent - 1) & 0xFFFF});
    start.first_placed = 0;  // said once
}

void move_labels_to_top(AsmState& st) {
    for (int row = 0; row < st.symbol_count; ++row) {
        SymbolEntry& sym = st.symbols[row];
        if (sym.kind != SYM_UNDEFINED && sym.kind != SYM_EQU) {
            sym.value = wrap_add(wrap_sub(sym.value, st.end_len), 0xF000) & 0xFFFF;
        }
    }
}

RuleResult run_directive(AsmState& st, InsnClass cls, int label_row) {
    switch (cls) {
        case CLS_ORG: return org(st);
        case CLS_EQU: return equ(st, label_row);
        case CLS_FCB: return fcb(st);
        case CLS_FDB: return fdb(st);
        case CLS_FCC: return fcc(st);
        case CLS_RMB: return rmb(st);
        case CLS_END: return end(st);
        default: return {0};  // the blank row
    }
}
