#include "codegen/directives.h"

#include <cstdint>

#include "driver/error_numbers.h"
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
        st.error_code = ERR_OUTSIDE_IMAGE;
    }
}

// Where org ? starts the program: at $1000 in pass 1, which measures it; in
// pass 2 so that its last byte lies at $FFFF.
std::int32_t top_placement_start(const AsmState& st) {
    return (st.end_len == 0) ? TOP_PLACEMENT_START : wrap_sub(0x10000, st.end_len) & 0xFFFF;
}

RuleResult org(AsmState& st) {
    if (operand1(st, 0) == '?') {
        st.loc = top_placement_start(st);
        st.origin = st.loc;
        st.top_placement = 1;
        return {0};
    }
    const std::int32_t v = operand_value(st) & 0xFFFF;
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

RuleResult equ(AsmState& st, int label_row) {
    const std::int32_t v = operand_value(st) & 0xFFFF;
    if (label_row != NO_ROW) {
        st.symbols[label_row].value = v;
        st.symbols[label_row].kind = SYM_EQU;
    }
    st.error_code = 0;
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

// Calls on_item with the start of every item after a comma of the statement
// text, up to its end or a "*".
template <typename OnItem>
void scan_list_items(AsmState& st, OnItem on_item) {
    const SourceText line = line_text(st);
    for (int i = 0; !line.ends_at(i) && line.at(i) != '*'; ++i) {
        if (line.at(i) == ',') {
            on_item(eval_operand(st, line, item_after_comma(line, i)));
        }
    }
}

RuleResult fcb(AsmState& st) {
    DataBytes bytes{st};
    bytes.byte(operand_value(st) & 0xFF);
    scan_list_items(st, [&](std::int32_t v) { bytes.byte(v & 0xFF); });
    return bytes.placed();
}

RuleResult fdb(AsmState& st) {
    DataBytes bytes{st};
    bytes.word(operand_value(st) & 0xFFFF);
    scan_list_items(st, [&](std::int32_t v) { bytes.word(v & 0xFFFF); });
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
        return bytes.placed();
    }
    for (++i; !line.ends_at(i) && line.at(i) != '/'; ++i) {
        bytes.byte(static_cast<unsigned char>(line.at(i)));
    }
    return bytes.placed();
}

RuleResult rmb(AsmState& st) {
    const std::int32_t v = operand_value(st) & 0xFFFF;
    st.image_len = wrap_add(st.image_len, v);
    st.loc = wrap_add(st.loc, v);
    check_image_bound(st);
    return {0};
}

RuleResult end(AsmState& st) {
    st.end_len = st.image_len;
    ++st.end_seen;
    return {0};
}

}  // namespace

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
