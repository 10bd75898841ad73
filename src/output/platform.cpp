#include "output/platform.h"

#include <cerrno>
#include <cstdint>
#include <random>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

constexpr int NAME_ATTEMPTS = 100;

// A name in the folder of `target` that is unlikely to exist: x09asm-XXXXXXXX.tmp.
std::string temporary_name(const std::string& target, std::random_device& random) {
    static constexpr char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::uint64_t bits = (std::uint64_t{random()} << 32) | random();
    std::string name = target.substr(0, last_component_start(target)) + "x09asm-";
    for (int i = 0; i < 8; ++i) {
        name += digits[bits % (sizeof digits - 1)];
        bits /= sizeof digits - 1;
    }
    return name + ".tmp";
}

}  // namespace

std::error_code last_error() { return {errno != 0 ? errno : EIO, std::generic_category()}; }

#ifdef _WIN32

namespace {

std::error_code last_windows_error() {
    return {static_cast<int>(GetLastError()), std::system_category()};
}

}  // namespace

void prepare_process() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (_get_osfhandle(fd) < 0) {
            const int nul = _open("NUL", fd == 0 ? _O_RDONLY : _O_WRONLY);
            if (nul >= 0 && nul != fd) {
                _dup2(nul, fd);
                _close(nul);
            }
        }
    }
    // Windows has no SIGPIPE and no file-size signal: such writes just fail.
}

void read_standard_input_as_binary() { _setmode(_fileno(stdin), _O_BINARY); }

std::size_t last_component_start(const std::string& path) {
    const std::size_t separator = path.find_last_of("/\\");
    if (separator != std::string::npos) {
        return separator + 1;
    }
    return path.size() >= 2 && path[1] == ':' ? 2 : 0;  // "C:name"
}

bool written_in_place(const std::string& name) {
    const DWORD attributes = GetFileAttributesA(name.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return true;
    }
    // Devices (NUL, CON, COM1 ...) answer to their names in every folder and
    // with any extension: only opening one tells.
    const HANDLE file = CreateFileA(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    const bool device = GetFileType(file) != FILE_TYPE_DISK;
    CloseHandle(file);
    return device;
}

bool may_replace(const std::string& name) { return _access(name.c_str(), 2) == 0 || errno == ENOENT; }

std::string create_file_beside(const std::string& target, std::error_code& error) {
    std::random_device random;
    for (int attempt = 0; attempt < NAME_ATTEMPTS; ++attempt) {
        std::string name = temporary_name(target, random);
        const HANDLE file =
            CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            return name;
        }
        if (GetLastError() != ERROR_FILE_EXISTS) {
            break;
        }
    }
    error = last_windows_error();
    return {};
}

bool replace_file(const std::string& from, const std::string& to, std::error_code& error) {
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return true;
    }
    error = last_windows_error();
    return false;
}

#else

void prepare_process() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            // The lowest free descriptor: fd itself.
            const int null = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
            if (null >= 0 && null != fd) {
                dup2(null, fd);
                close(null);
            }
        }
    }
    signal(SIGPIPE, SIG_IGN);
    signal(SIGXFSZ, SIG_IGN);
}

void read_standard_input_as_binary() {}

std::size_t last_component_start(const std::string& path) {
    const std::size_t separator = path.rfind('/');
    return separator == std::string::npos ? 0 : separator + 1;
}

bool written_in_place(const std::string& name) {
    struct stat status {};
    return stat(name.c_str(), &status) == 0 && !S_ISREG(status.st_mode);
}

bool may_replace(const std::string& name) { return access(name.c_str(), W_OK) == 0 || errno == ENOENT; }

std::string create_file_beside(const std::string& target, std::error_code& error) {
    struct stat model {};
    const bool replaces = stat(target.c_str(), &model) == 0;
    std::random_device random;
    for (int attempt = 0; attempt < NAME_ATTEMPTS; ++attempt) {
        std::string name = temporary_name(target, random);
        const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            if (replaces) {
                // As the old file was: its owner where this process may set
                // it, and its permissions.
                [[maybe_unused]] const int owned = fchown(fd, model.st_uid, model.st_gid);
                fchmod(fd, model.st_mode & 07777);
            }
            close(fd);
            return name;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    error = last_error();
    return {};
}

bool replace_file(const std::string& from, const std::string& to, std::error_code& error) {
    if (std::rename(from.c_str(), to.c_str()) == 0) {
        return true;
    }
    error = last_error();
    return false;
}

#endif
