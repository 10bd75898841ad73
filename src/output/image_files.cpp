#include "output/image_files.h"

#include <cstdint>

#include "driver/asm_state.h"
#include "output/listing.h"

namespace {

void put_address(std::ostream& os, std::int32_t a) {
    os.put(hex_char(a >> 12));
    os.put(hex_char(a >> 8));
    os.put(hex_char(a >> 4));
    os.put(hex_char(a));
}

void put_byte(std::ostream& os, std::uint8_t b) {
    os.put(hex_char(b >> 4));
    os.put(hex_char(b));
}

bool finish(AsmState& st) {
    st.out.close();
    return !st.out.fail();
}

}  // namespace

bool write_rom_file(AsmState& st, const std::string& name) {
    const std::int32_t a = wrap_sub(st.origin, ROM_ADDRESS_BASE);
    st.out.open(name);
    if (!st.out.is_open()) {
        return false;
    }
    st.out << "[#";
    put_address(st.out, a);
    st.out.put(',');
    for (int i = 0; i < st.image_extent; ++i) {
        put_byte(st.out, st.image[i]);
        st.out.put(',');
    }
    st.out << "])";
    return finish(st);
}

bool write_obj_file(AsmState& st, const std::string& name) {
    st.out.open(name);
    if (!st.out.is_open()) {
        return false;
    }
    std::int32_t address = st.origin;
    for (int r = 0; r < st.image_extent; r += OBJ_RECORD_BYTES) {
        st.out.put('@');
        put_address(st.out, address);
        st.out.put('[');
        for (int j = 0; j < OBJ_RECORD_BYTES && r + j < st.image_extent; ++j) {
            put_byte(st.out, st.image[r + j]);
        }
        st.out << "]\n";
        address = wrap_add(address, OBJ_RECORD_BYTES);
    }
    st.out << "E\n";
    return finish(st);
}
