// The floor of an assembly run: only the work no assembler can avoid. It
// reads the source twice, as two passes do, and writes three files of given
// sizes, as the listing, ROM image and object file of a real run, in 64 KiB
// blocks. x09asm's cost is reported as a multiple of this program's.
//
// With --replace it writes each file as x09asm replaces one, so that the old
// file stays whole until the new one is complete: a new file without a name,
// linked under a temporary name once written and renamed over the old one.
// The difference between the two floors is what that guarantee costs on the
// machine's file system.
//
// usage: x09floor [--replace] SOURCE LISTING_BYTES ROM_BYTES OBJ_BYTES

#include <fcntl.h>
#include <unistd.h>

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

// Hands `size` bytes of spaces to `put` a block at a time, as long as it
// takes them.
template <typename Put>
bool put_blocks(unsigned long size, Put put) {
    std::memset(block, ' ', BLOCK);
    for (unsigned long left = size; left > 0;) {
        const std::size_t n = left < BLOCK ? left : BLOCK;
        if (!put(n)) {
            return false;
        }
        left -= n;
    }
    return true;
}

bool write_sized(const char* name, unsigned long size) {
    std::FILE* f = std::fopen(name, "wb");
    if (f == nullptr) {
        return false;
    }
    const bool put = put_blocks(size, [&](std::size_t n) { return std::fwrite(block, 1, n, f) == n; });
    return (std::fclose(f) == 0) && put;
}

bool replace_sized(const char* name, unsigned long size) {
    const int fd = open(".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd < 0) {
        return false;
    }
    bool ok = put_blocks(size, [&](std::size_t n) { return write(fd, block, n) == static_cast<ssize_t>(n); });
    char path[32];
    std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
    char temporary[64];
    std::snprintf(temporary, sizeof temporary, "%s.tmp", name);
    ok = ok && linkat(AT_FDCWD, path, AT_FDCWD, temporary, AT_SYMLINK_FOLLOW) == 0;
    ok = ok && rename(temporary, name) == 0;
    return close(fd) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    const bool replace = argc > 1 && std::strcmp(argv[1], "--replace") == 0;
    if (argc != 5 + replace) {
        std::fputs("usage: x09floor [--replace] SOURCE LISTING_BYTES ROM_BYTES OBJ_BYTES\n", stderr);
        return 2;
    }
    char** const args = argv + replace;
    const char* names[] = {"floor.lst", "floor.rom", "floor.obj"};
    bool ok = read_whole(args[1]) && read_whole(args[1]);
    for (int i = 0; i < 3; ++i) {
        const unsigned long size = std::strtoul(args[2 + i], nullptr, 10);
        ok = ok && (replace ? replace_sized(names[i], size) : write_sized(names[i], size));
    }
    return ok ? 0 : 1;
}
