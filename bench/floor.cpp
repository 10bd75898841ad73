// The floor of an assembly run: only the work no assembler can avoid. It
// reads the source twice, as two passes do, and writes three files of given
// sizes, as the listing, ROM image and object file of a real run, in 64 KiB
// blocks. x09asm's cost is reported as a multiple of this program's.
//
// usage: x09floor SOURCE LISTING_BYTES ROM_BYTES OBJ_BYTES

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr std::size_t BLOCK = 65536;
char block[BLOCK];

bool read_whole(const char* name) {
    std::FILE* f = std::fopen(name, "rb");
    if (f == nullptr) {
        return false;
    }
    while (std::fread(block, 1, BLOCK, f) == BLOCK) {
    }
    std::fclose(f);
    return true;
}

bool write_sized(const char* name, unsigned long size) {
    std::FILE* f = std::fopen(name, "wb");
    if (f == nullptr) {
        return false;
    }
    std::memset(block, ' ', BLOCK);
    for (unsigned long left = size; left > 0;) {
        const std::size_t n = left < BLOCK ? left : BLOCK;
        std::fwrite(block, 1, n, f);
        left -= n;
    }
    return std::fclose(f) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fputs("usage: x09floor SOURCE LISTING_BYTES ROM_BYTES OBJ_BYTES\n", stderr);
        return 2;
    }
    const char* names[] = {"floor.lst", "floor.rom", "floor.obj"};
    bool ok = read_whole(argv[1]) && read_whole(argv[1]);
    for (int i = 0; i < 3; ++i) {
        ok = ok && write_sized(names[i], std::strtoul(argv[2 + i], nullptr, 10));
    }
    return ok ? 0 : 1;
}
