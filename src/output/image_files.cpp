#include "output/image_files.h"

#include "driver/asm_state.h"

std::string rom_image_text(const AsmState& st) {
    std::string text;
    text.reserve(static_cast<std::size_t>(st.image_extent) * 3 + 9);
    text += "[#";
    append_address(text, wrap_sub(st.origin, ROM_ADDRESS_BASE));
    text += ',';
    for (int i = 0; i < st.image_extent; ++i) {
        append_hex_byte(text, st.image[i]);
        text += ',';
    }
    text += "])";
    return text;
}

std::string object_text(const AsmState& st) {
    std::string text;
    text.reserve(static_cast<std::size_t>(st.image_extent) / OBJ_RECORD_BYTES * 40 + 40);
    std::int32_t address = st.origin;
    for (int r = 0; r < st.image_extent; r += OBJ_RECORD_BYTES) {
        text += '@';
        append_address(text, address);
        text += '[';
        for (int j = 0; j < OBJ_RECORD_BYTES && r + j < st.image_extent; ++j) {
            append_hex_byte(text, st.image[r + j]);
        }
        text += "]\n";
        address = wrap_add(address, OBJ_RECORD_BYTES);
    }
    text += "E\n";
    return text;
}
