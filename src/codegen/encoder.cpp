#include "codegen/encoder.h"

#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "codegen/code_bytes.h"
#include "codegen/directives.h"
#include "codegen/indexed.h"
#include "codegen/insn_table.h"
#include "codegen/registers.h"
#include "base/diagnose.h"
#include "base/error_numbers.h"
#include "source/fields.h"

namespace {

constexpr std::int32_t PUSH_S = 0x34;
constexpr std::int32_t REG_B = 0x04;
constexpr int PREFIX_NONE = 0;

bool has_char_constant(const AsmState& st) { return operand1(st, 1) == '\''; }

enum class Form { indexed, immediate, direct, extended };

// Addressing form of classes 3 to 7, by tests taken in this order.
Form choose_form(const AsmState& st, bool immediate_allowed, std::int32_t v) {
    if (operand1(st, 0) == '[') return Form::indexed;
    if (immediate_allowed && operand1(st, 0) == '#') return Form::immediate;
    if (st.fields[COMMA_MARK] == ' ' && (v & 0x1FF00) == 0) return Form::direct;  // page 0
    if (!comma_marked(st)) return Form::extended;
    return Form::indexed;
}

// Opcodes of the direct, indexed and extended forms of one row.
struct FormOpcodes {
    std::int32_t direct, indexed, extended;
};

constexpr FormOpcodes register_forms(std::int32_t op) { return {op | 0x10, op | 0x20, op | 0x30}; }
constexpr FormOpcodes memory_forms(std::int32_t op) { return {op, op | 0x60, op | 0x70}; }

// Writes the optional prefix byte; returns how many bytes precede the opcode.
int put_prefix(AsmState& st, std::int32_t prefix) {
    if (prefix == PREFIX_NONE) {
        return 0;
    }
    st.emit[0] = prefix;
    return 1;
}

// The direct, extended and indexed forms, opcode at emit[k]. Inline in each
// rule, where the compiler called it: 0.32 M of the benchmark's 27.3 M
// instructions.
[[gnu::always_inline]] inline int put_addressed(AsmState& st, int k, Form form, const FormOpcodes& ops,
                                                 std::int32_t v) {
    switch (form) {
        case Form::direct:
            check_fits(st, v, 16, v & 0xFF);
            st.emit[k] = ops.direct;
            st.emit[k + 1] = v & 0xFF;
            return k + 2;
        case Form::extended:
            check_fits(st, v, 16, v & 0xFFFF);
            st.emit[k] = ops.extended;
            return put_word(st, k + 1, v & 0xFFFF);
        default:
            st.emit[k] = ops.indexed;
            return encode_indexed(st, k);
    }
}

// Operand 1 of classes 3 to 7; not evaluated when a comma follows it, since
// the indexed rule reads it then. The value of an immediate character
// constant is not used (its bytes come from the text), so how it reads
// draws no warning. Inline in each rule, where the compiler called it: 0.04 M
// of the benchmark's 26.6 M instructions.
[[gnu::always_inline]] inline std::int32_t memory_operand_value(AsmState& st) {
    if (comma_marked(st)) {
        return 0;
    }
    if (st.diag.enabled != 0 && operand1(st, 0) == '#' && has_char_constant(st)) {
        const UnusedValue unused(st);
        return operand_value(st);
    }
    return operand_value(st);
}

// The operand-1 text as written, up to its first space.
std::string_view operand_text(const AsmState& st) { return field_word(st, FIELD_OPERAND1); }
std::string_view mnemonic_text(const AsmState& st) { return field_word(st, FIELD_MNEMONIC); }

// An immediate character constant gives its bytes from the characters
// after the apostrophe: one for 8 bits, two for 16; a closing apostrophe may
// follow them. Written otherwise, it is not read as written.
void check_char_constant(AsmState& st, int bits) {
    const int chars = bits / 8;
    const char after = operand1(st, 2 + chars);
    const bool closed = after == ' ' || (after == '\'' && operand1(st, 3 + chars) == ' ');
    const bool filled = bits == 8 || (operand1(st, 2) != ' ' && operand1(st, 3) != ' ' && operand1(st, 3) != '\'');
    if (!closed || !filled) {
        const std::int32_t value = (bits == 8) ? static_cast<unsigned char>(operand1(st, 2))
                                               : static_cast<unsigned char>(operand1(st, 2)) << 8 |
                                                     static_cast<unsigned char>(operand1(st, 3));
        warn(st, Warning::char_pair,
             {.form = static_cast<std::uint8_t>(bits), .text = operand_text(st), .value = value});
    }
}

// Value of an immediate operand, evaluated also when a comma follows it.
std::int32_t immediate_value(AsmState& st, std::int32_t v) { return comma_marked(st) ? operand_value(st) : v; }

// Errors of the immediate forms, kept apart from the encoding that has none.
void immediate_error(AsmState& st, Cause cause) {
    const std::string_view text = (cause == Cause::immediate_with_comma) ? operand_text(st) : mnemonic_text(st);
    if (cause == Cause::store8_immediate) {
        add_error(st, cause, {.text = text});
    } else {
        store_error(st, cause, {.text = text});
    }
}

// An immediate operand cannot be followed by a comma; reported after the
// class's own checks so that it is the number listed.
void check_immediate_comma(AsmState& st) {
    if (comma_marked(st)) {
        immediate_error(st, Cause::immediate_with_comma);
    }
}

// Two immediate bytes at emit[at]: the two characters of #'XY, or the word.
int put_immediate_word(AsmState& st, int at, std::int32_t v) {
    if (has_char_constant(st)) {
        check_char_constant(st, 16);
        st.emit[at] = static_cast<unsigned char>(operand1(st, 2));
        st.emit[at + 1] = static_cast<unsigned char>(operand1(st, 3));
        return at + 2;
    }
    check_fits(st, v, 16, v & 0xFFFF);
    return put_word(st, at, v & 0xFFFF);
}

int encode_acc8(AsmState& st, const InsnEntry& row) {
    std::int32_t v = memory_operand_value(st);
    const Form form = choose_form(st, true, v);
    if (form != Form::immediate) {
        return put_addressed(st, 0, form, register_forms(row.opcode), v);
    }
    v = immediate_value(st, v);
    st.emit[0] = row.opcode;
    if (has_char_constant(st)) {
        check_char_constant(st, 8);
        st.emit[1] = static_cast<unsigned char>(operand1(st, 2));
    } else {
        check_fits(st, v, 8, v & 0xFF);
        st.emit[1] = v & 0xFF;
    }
    if (row.aux == 1) {
        immediate_error(st, Cause::store8_immediate);  // stores have no immediate form
    }
    check_immediate_comma(st);
    return 2;
}

// The error of an immediate form of classes 4 and 6 that has none: the
// stores, jsr among them.
std::optional<Cause> no_immediate_cause(const InsnEntry& row) {
    if (row.cls == CLS_STORE16_PREFIXED) {
        return Cause::store16_prefixed_immediate;
    }
    if (row.cls == CLS_REG16 && row.aux == 1) {
        return Cause::store16_immediate;
    }
    return std::nullopt;
}

// Classes 4, 5 and 6: 16-bit operations, with or without a prefix byte.
// What depends on the class is worked out where it is needed: 0.10 M of the
// benchmark's 26.7 M instructions over handing it in.
int encode_reg16(AsmState& st, const InsnEntry& row) {
    std::int32_t v = memory_operand_value(st);
    const Form form = choose_form(st, true, v);
    const int k = put_prefix(st, row.cls == CLS_REG16 ? PREFIX_NONE : row.aux);
    if (form != Form::immediate) {
        return put_addressed(st, k, form, register_forms(row.opcode), v);
    }
    v = immediate_value(st, v);
    st.emit[k] = row.opcode;
    const int count = put_immediate_word(st, k + 1, v);
    if (const std::optional<Cause> cause = no_immediate_cause(row)) {
        immediate_error(st, *cause);
    }
    check_immediate_comma(st);
    return count;
}

int encode_memory(AsmState& st, const InsnEntry& row) {
    const std::int32_t v = memory_operand_value(st);
    return put_addressed(st, 0, choose_form(st, false, v), memory_forms(row.opcode), v);
}

// An 8-bit immediate byte: the operand's low 8 bits.
std::int32_t immediate_byte(AsmState& st) {
    const std::int32_t v = operand_value(st);
    check_fits(st, v, 8, v & 0xFF);
    return v & 0xFF;
}

int encode_reg_pair(AsmState& st, const InsnEntry& row) {
    st.emit[0] = row.opcode;
    st.emit[1] = (operand1(st, 0) == '#') ? immediate_byte(st) : pair_postbyte(st);
    return 2;
}

// pshs and puls work on S, pshu and pulu on U.
char own_stack(const InsnEntry& row) { return (row.opcode & 0x02) != 0 ? 'u' : 's'; }

int encode_reg_list(AsmState& st, const InsnEntry& row) {
    st.emit[0] = row.opcode;
    st.emit[1] = (operand1(st, 0) == '#') ? immediate_byte(st) : list_postbyte(st, own_stack(row));
    return 2;
}

int encode_cc_immediate(AsmState& st, const InsnEntry& row) {
    st.emit[0] = row.opcode;
    st.emit[1] = immediate_byte(st);
    return 2;
}

int encode_lea(AsmState& st, const InsnEntry& row) {
    st.emit[0] = row.opcode;
    return encode_indexed(st, 0);
}

// Offset from the address after a branch of `length` bytes to the target.
std::int32_t branch_offset(AsmState& st, std::int32_t target, int length) {
    check_fits(st, target, 16, target & 0xFFFF);
    return wrap_sub(wrap_sub(target & 0xFFFF, st.loc), length) & 0xFFFF;
}

// A target named by a symbol defined nowhere is out of range because of it:
// the cause names the symbol.
void branch_range_error(AsmState& st, std::int32_t target, std::int32_t offset) {
    const Finding* undefined = find_cause(st, Cause::undefined_symbol);
    const std::string name = undefined != nullptr ? undefined->text : std::string();
    store_error(st, Cause::branch_range,
                {.text = name, .value = target & 0xFFFF, .other = static_cast<std::int16_t>(offset)});
}

int encode_short_branch(AsmState& st, const InsnEntry& row) {
    const std::int32_t target = operand_value(st);
    const std::int32_t d = branch_offset(st, target, 2);
    if (d > 0x7F && d < 0xFF80) {
        branch_range_error(st, target, d);
    }
    st.emit[0] = row.opcode;
    st.emit[1] = d & 0xFF;
    return 2;
}

int encode_long_branch(AsmState& st, const InsnEntry& row) {
    const std::int32_t v = operand_value(st);
    const int k = put_prefix(st, row.aux);
    st.emit[k] = row.opcode;
    return put_word(st, k + 1, branch_offset(st, v, k + 3));
}

// B on A, as on the MC6800: push B, then the operation on ,s+ pops it.
int encode_acc_pair(AsmState& st, const InsnEntry& row) {
    st.emit[0] = PUSH_S;
    st.emit[1] = REG_B;
    st.emit[2] = row.opcode;
    st.emit[3] = row.aux;
    return 4;
}

RuleResult encode_by_class(AsmState& st, const InsnEntry& row, int label_row) {
    switch (row.cls) {
        case CLS_INHERENT:
            st.emit[0] = row.opcode;
            return {1};
        case CLS_PREFIXED_INHERENT:
            st.emit[0] = row.aux;
            st.emit[1] = row.opcode;
            return {2};
        case CLS_ACC8: return {encode_acc8(st, row)};
        case CLS_REG16:
        case CLS_REG16_PREFIXED:
        case CLS_STORE16_PREFIXED: return {encode_reg16(st, row)};
        case CLS_MEMORY: return {encode_memory(st, row)};
        case CLS_REG_PAIR: return {encode_reg_pair(st, row)};
        case CLS_REG_LIST: return {encode_reg_list(st, row)};
        case CLS_CC_IMMEDIATE: return {encode_cc_immediate(st, row)};
        case CLS_LEA: return {encode_lea(st, row)};
        case CLS_SHORT_BRANCH: return {encode_short_branch(st, row)};
        case CLS_LONG_BRANCH: return {encode_long_branch(st, row)};
        case CLS_ACC_PAIR: return {encode_acc_pair(st, row)};
        case CLS_FIXED_PAIR:
            st.emit[0] = row.opcode;
            st.emit[1] = row.aux;
            return {2};
        default: return run_directive(st, row.cls, label_row);
    }
}

// Classes whose rule reads operand 1; for the others its text is comment.
bool reads_operand1(const InsnEntry* row) {
    if (row == nullptr) {
        return false;
    }
    switch (row->cls) {
        case CLS_INHERENT:
        case CLS_PREFIXED_INHERENT:
        case CLS_ACC_PAIR:
        case CLS_FIXED_PAIR:
        case CLS_FCC:
        case CLS_EMPTY:
        case CLS_END: return false;
        default: return true;
    }
}

// What the field splitter cut: text after a "/", and fields that ran on.
void check_split(AsmState& st, const InsnEntry* row) {
    const bool operand_read = reads_operand1(row);
    const bool fcc = row != nullptr && row->cls == CLS_FCC;
    if (st.slash_field >= 0 && !fcc && (st.slash_field < FIELD_OPERAND1 || operand_read)) {
        const char* slash = std::strchr(st.line.data(), '/');
        warn(st, Warning::slash, {.more = line_from(st, static_cast<int>(slash - st.line.data()))});
    }
    for (int field = FIELD_LABEL; field <= FIELD_OPERAND1; field += FIELD_WIDTH) {
        if ((st.long_fields >> (field / FIELD_WIDTH) & 1) != 0 && (field < FIELD_OPERAND1 || operand_read)) {
            warn(st, Warning::long_field,
                 {.form = static_cast<std::uint8_t>(field / FIELD_WIDTH),
                  .text = std::string_view(&st.fields[field], FIELD_WIDTH)});
        }
    }
}

// How the mnemonic was read: only 4 characters count, and some MC6800
// translations set other flags.
void check_mnemonic(AsmState& st, const InsnEntry& row) {
    if (st.fields[FIELD_MNEMONIC + MNEMONIC_SIGNIFICANT] != ' ') {
        const std::string_view written = mnemonic_text(st);
        if (written.size() > MNEMONIC_SIGNIFICANT && written != "andcc") {
            warn(st, Warning::long_mnemonic, {.text = written, .more = std::string_view(row.name.data(), 4)});
        }
    }
    if (row.sets_flags_otherwise) {
        warn(st, Warning::flags_6800, {.text = std::string_view(row.name.data(), 3)});
    }
}

// How the fields and the mnemonic of a statement were read.
void check_statement(AsmState& st, const InsnEntry* row) {
    if (st.slash_field >= 0 || st.long_fields != 0) {
        check_split(st, row);
    }
    if (row != nullptr) {
        check_mnemonic(st, *row);
    }
}

void unknown_mnemonic(AsmState& st) {
    store_error(st, Cause::unknown_mnemonic, {.text = mnemonic_text(st)});
}

}  // namespace

int encode_statement(AsmState& st, int label_row) {
    st.stmt_instruction = false;
    if (is_comment_marker(st.fields[FIELD_LABEL])) {
        return 0;
    }
    const InsnEntry* row = find_insn(&st.fields[FIELD_MNEMONIC]);
    if (st.diag.enabled != 0) {
        check_statement(st, row);
    }
    if (row == nullptr) {
        unknown_mnemonic(st);
        return 0;
    }
    const RuleResult result = encode_by_class(st, *row, label_row);
    if (result.count == DIRECTIVE_PLACED) {
        return result.listed;
    }
    st.stmt_instruction = true;
    place_emitted(st, result.count);
    return result.count;
}
