#include "output/image_files.h"

#include <cstdint>

#include "driver/asm_state.h"
#include "output/block_writer.h"

bool write_rom_file(AsmState& st, const std::string& name) {
    const std::int32_t a = wrap_sub(st.origin, ROM_ADDRESS_BASE);
    return write_output_file(st, name, [&](BlockWriter& w) {
        w.put("[#");
        w.address(a);
        w.put(',');
        for (int i = 0; i < st.image_extent; ++i) {
            w.byte(st.image[i]);
            w.put(',');
        }
        w.put("])");
    });
}

bool write_obj_file(AsmState& st, const std::string& name) {
    return write_output_file(st, name, [&](BlockWriter& w) {
        std::int32_t address = st.origin;
        for (int r = 0; r < st.image_extent; r += OBJ_RECORD_BYTES) {
            w.put('@');
            w.address(address);
            w.put('[');
            for (int j = 0; j < OBJ_RECORD_BYTES && r + j < st.image_extent; ++j) {
                w.byte(st.image[r + j]);
            }
            w.put("]\n");
            address = wrap_add(address, OBJ_RECORD_BYTES);
        }
        w.put("E\n");
    });
}
