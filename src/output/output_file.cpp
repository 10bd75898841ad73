#include "output/output_file.h"

#include <fstream>

bool write_whole_file(const std::string& name, const std::string& contents, FileKind kind) {
    std::ofstream file(name, kind == FileKind::binary ? std::ios::out | std::ios::binary : std::ios::out);
    if (!file.is_open()) {
        return false;
    }
    file.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    file.close();
    return !file.fail();
}
