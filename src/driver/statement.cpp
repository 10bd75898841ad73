#include "driver/statement.h"

#include <algorithm>

#include "codegen/encoder.h"
#include "base/asm_state.h"
#include "base/diagnose.h"
#include "output/listing.h"
#include "source/symbols.h"

void assemble_statement(AsmState& st, int pass) {
    clear_error(st);
    st.stmt_loc = st.loc;
    const std::int32_t image_offset = st.image_len;
    const int label_row = define_label(st);
    const int listed = encode_statement(st, label_row);
    st.image_extent = std::max(st.image_extent, std::clamp(st.image_len, 0, IMAGE_SIZE));
    if (pass == 1) {
        return;
    }
    list_statement(st, image_offset, listed);
}
