#include "output/platform.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <chrono>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

constexpr int NAME_ATTEMPTS = 100;
constexpr std::size_t TEMPORARY_NAME_SIZE = 16;  // "x09XXXXX.tmp" and its NUL, with room to spare

constexpr std::size_t FULL_NAME_LENGTH = 12;  // x09XXXXX.tmp
constexpr std::size_t SHORTEST_NAME_LENGTH = 8;  // x09XXXXX

// Where the names of one output's temporaries start: the clock and where
// this process's stack lies. A name need not be unpredictable, only unlikely
// to exist: a temporary is made only where no file of its name is, and the
// next name is tried otherwise. (std::random_device took 31 us to set up on
// a virtual machine, where asking the processor what it can do is slow:
// three of them were a fifteenth of an empty source's run.)
class TemporaryNames {
public:
    TemporaryNames() {
        const int on_stack = 0;
        state_ = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                 static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(&on_stack)) << 16;
    }
    // The bits of the next name (splitmix64).
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15u);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
        return z ^ (z >> 31);
    }

private:
    std::uint64_t state_;
};

// A temporary's name that is unlikely to exist: x09XXXXX.tmp, or as much of
// it as `length` allows (at least x09XXXXX), with more random characters in
// place of ".tmp". Short, so that it does not make a path too long where the
// output's own path fits.
std::string temporary_name(TemporaryNames& names, std::size_t length = FULL_NAME_LENGTH) {
    static constexpr char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    length = std::clamp(length, SHORTEST_NAME_LENGTH, FULL_NAME_LENGTH);
    std::uint64_t bits = names.next();
    std::string name = "x09";
    while (name.size() < std::min(length, SHORTEST_NAME_LENGTH + 3)) {
        name += digits[bits % (sizeof digits - 1)];
        bits /= sizeof digits - 1;
    }
    return length == FULL_NAME_LENGTH ? name.substr(0, SHORTEST_NAME_LENGTH) + ".tmp" : name;
}

}  // namespace

std::error_code last_error() { return {errno != 0 ? errno : EIO, std::generic_category()}; }

#ifdef _WIN32

namespace {

std::error_code last_windows_error() {
    return {static_cast<int>(GetLastError()), std::system_category()};
}

// The named temporary being written, for the console's break handler, which
// runs on a thread of its own: a process-wide record is the only way for it
// to learn the name. The lock keeps the record whole while either side reads
// or changes it; the handler keeps it, so that the program makes no new
// temporary while the process ends.
SRWLOCK record_lock = SRWLOCK_INIT;
char recorded_temporary[MAX_PATH + TEMPORARY_NAME_SIZE] = {};

class RecordHeld {
public:
    RecordHeld() { AcquireSRWLockExclusive(&record_lock); }
    ~RecordHeld() { ReleaseSRWLockExclusive(&record_lock); }
    RecordHeld(const RecordHeld&) = delete;
    RecordHeld& operator=(const RecordHeld&) = delete;
};

void record_temporary(const std::string& path) {
    const std::size_t size = std::min(path.size(), sizeof recorded_temporary - 1);
    std::memcpy(recorded_temporary, path.data(), size);
    recorded_temporary[size] = '\0';
}

BOOL WINAPI remove_temporary_on_break(DWORD event) {
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT || event == CTRL_CLOSE_EVENT) {
        AcquireSRWLockExclusive(&record_lock);  // kept until the process ends
        if (recorded_temporary[0] != '\0') {
            // Opened with FILE_SHARE_DELETE: it goes when its handle closes.
            DeleteFileA(recorded_temporary);
        }
    }
    return FALSE;  // the default handler ends the process
}

}  // namespace

void prepare_process() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (_get_osfhandle(fd) < 0) {
            const int nul = _open("NUL", _O_WRONLY);
            if (nul >= 0 && nul != fd) {
                _dup2(nul, fd);
                _close(nul);
            }
        }
    }
    SetConsoleCtrlHandler(remove_temporary_on_break, TRUE);
    // Windows has no SIGPIPE and no file-size signal: such writes just fail.
}

void read_standard_input_as_binary() { _setmode(_fileno(stdin), _O_BINARY); }

void prepare_pages(void*, std::size_t) {}

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

std::optional<FileIdentity> file_identity(const std::string& name) {
    const HANDLE file = CreateFileA(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    BY_HANDLE_FILE_INFORMATION information{};
    const bool found = GetFileInformationByHandle(file, &information) != 0;
    CloseHandle(file);
    if (!found) {
        return std::nullopt;
    }
    return FileIdentity{information.dwVolumeSerialNumber,
                        std::uint64_t{information.nFileIndexHigh} << 32 | information.nFileIndexLow};
}

std::error_code replace_refused(const std::string& name) {
    if (_access(name.c_str(), 2) == 0 || errno == ENOENT) {
        return {};
    }
    return last_error();
}

bool open_replacement(const std::string& target, bool text, FileBeingWritten& file, std::error_code& error) {
    file = FileBeingWritten{};
    file.target = target;
    file.replacement = true;
    file.text = text;
    const std::size_t name_start = last_component_start(target);
    const std::string folder = target.substr(0, name_start);
    TemporaryNames names;
    for (int attempt = 0; attempt < NAME_ATTEMPTS; ++attempt) {
        // Paths are named whole here: the temporary's is made no longer
        // than the target's where it can be.
        const std::string name = folder + temporary_name(names, target.size() - name_start);
        const RecordHeld held;
        const HANDLE handle = CreateFileA(name.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            record_temporary(name);
            file.handle = reinterpret_cast<std::intptr_t>(handle);
            file.temporary = name;
            return true;
        }
        if (GetLastError() != ERROR_FILE_EXISTS) {
            break;
        }
    }
    error = last_windows_error();
    return false;
}

bool open_in_place(const std::string& target, bool text, FileBeingWritten& file, std::error_code& error) {
    file = FileBeingWritten{};
    file.target = target;
    file.text = text;
    const HANDLE handle = CreateFileA(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        error = last_windows_error();
        return false;
    }
    file.handle = reinterpret_cast<std::intptr_t>(handle);
    return true;
}

namespace {

bool write_all(HANDLE handle, const char* data, std::size_t size, std::error_code& error) {
    while (size != 0) {
        DWORD written = 0;
        const DWORD part = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
        if (!WriteFile(handle, data, part, &written, nullptr) || written == 0) {
            error = last_windows_error();
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

}  // namespace

bool write_bytes(const FileBeingWritten& file, const char* data, std::size_t size, std::error_code& error) {
    const HANDLE handle = reinterpret_cast<HANDLE>(file.handle);
    if (!file.text) {
        return write_all(handle, data, size, error);
    }
    // A text file ends each line with CR LF.
    char block[8192];
    std::size_t used = 0;
    for (std::size_t i = 0; i < size; ++i) {
        if (used + 2 > sizeof block) {
            if (!write_all(handle, block, used, error)) {
                return false;
            }
            used = 0;
        }
        if (data[i] == '\n') {
            block[used++] = '\r';
        }
        block[used++] = data[i];
    }
    return write_all(handle, block, used, error);
}

bool finish_file(FileBeingWritten& file, std::error_code& error) {
    const bool closed = CloseHandle(reinterpret_cast<HANDLE>(file.handle));
    file.handle = -1;
    if (!closed) {
        error = last_windows_error();
        abandon_file(file);
        return false;
    }
    if (!file.replacement) {
        return true;
    }
    const RecordHeld held;
    if (!MoveFileExA(file.temporary.c_str(), file.target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = last_windows_error();
        DeleteFileA(file.temporary.c_str());
    }
    recorded_temporary[0] = '\0';
    file.temporary.clear();
    return !error;
}

void abandon_file(FileBeingWritten& file) {
    if (file.handle != -1) {
        CloseHandle(reinterpret_cast<HANDLE>(file.handle));
        file.handle = -1;
    }
    if (!file.temporary.empty()) {
        const RecordHeld held;
        DeleteFileA(file.temporary.c_str());
        recorded_temporary[0] = '\0';
        file.temporary.clear();
    }
}

#else

namespace {

constexpr int ENDING_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// The named temporary being written, for the handler of the signals that end
// the process: a handler can learn it from nothing but a process-wide record.
// It is changed only while those signals are held (RecordHeld), so that the
// handler finds it whole: the folder's descriptor and the name in it, the
// name empty when there is none. (An unnamed temporary needs no record: it
// goes with the process.)
int recorded_folder = -1;
char recorded_name[TEMPORARY_NAME_SIZE] = {};

// Holds back the ending signals while it lives; one that arrives meanwhile
// is handled once it ends.
class RecordHeld {
public:
    RecordHeld() {
        sigset_t ending;
        sigemptyset(&ending);
        for (const int signal_number : ENDING_SIGNALS) {
            sigaddset(&ending, signal_number);
        }
        sigprocmask(SIG_BLOCK, &ending, &before_);
    }
    ~RecordHeld() { sigprocmask(SIG_SETMASK, &before_, nullptr); }
    RecordHeld(const RecordHeld&) = delete;
    RecordHeld& operator=(const RecordHeld&) = delete;

private:
    sigset_t before_;
};

void record_temporary(int folder, const std::string& name) {
    recorded_folder = folder;
    std::memcpy(recorded_name, name.c_str(), std::min(name.size() + 1, sizeof recorded_name));
    recorded_name[sizeof recorded_name - 1] = '\0';
}

void clear_record() { recorded_name[0] = '\0'; }

extern "C" void remove_temporary_and_end(int signal_number) {
    if (recorded_name[0] != '\0') {
        unlinkat(recorded_folder, recorded_name, 0);
    }
    // The handler was reset as it was entered (SA_RESETHAND): the signal,
    // raised again, ends the process as it would have once this returns.
    raise(signal_number);
}

// Where the descriptor `fd` can be named to give its file a name.
void descriptor_path(int fd, char (&path)[32]) { std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd); }

// Creates a temporary without a name in `folder` (Linux); -1 where the system
// cannot make one or cannot give it a name later.
int create_unnamed(int folder) {
#ifdef O_TMPFILE
    const int fd = openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd >= 0) {
        char path[32];
        descriptor_path(fd, path);
        if (access(path, F_OK) == 0) {
            return fd;
        }
        close(fd);
    }
#else
    (void)folder;
#endif
    return -1;
}

// Creates a temporary of a new name in `folder`, recorded for the handler.
int create_named(int folder, std::string& name) {
    TemporaryNames names;
    for (int attempt = 0; attempt < NAME_ATTEMPTS; ++attempt) {
        name = temporary_name(names);
        const RecordHeld held;
        const int fd = openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            record_temporary(folder, name);
            return fd;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    name.clear();
    return -1;
}

// Gives the unnamed temporary `fd` the name `target` in `folder`, in place
// of the file there: directly when there is none, else (and straight away
// when there was one as the temporary was made) through a name of its own
// that is then renamed over it.
bool link_into_place(int fd, int folder, const std::string& target, bool replaces_file, std::error_code& error) {
    char path[32];
    descriptor_path(fd, path);
    const RecordHeld held;
    if (!replaces_file) {
        if (linkat(AT_FDCWD, path, folder, target.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            return true;
        }
        if (errno != EEXIST) {
            error = last_error();
            return false;
        }
    }
    TemporaryNames names;
    for (int attempt = 0; attempt < NAME_ATTEMPTS; ++attempt) {
        const std::string name = temporary_name(names);
        if (linkat(AT_FDCWD, path, folder, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            if (renameat(folder, name.c_str(), folder, target.c_str()) == 0) {
                return true;
            }
            error = last_error();
            unlinkat(folder, name.c_str(), 0);
            return false;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    error = last_error();
    return false;
}

// Closes `fd`, which reports a failure to write what the system still held
// (on a network file system) that no earlier write showed.
bool close_reporting(int fd, std::error_code& error) {
    if (close(fd) != 0 && errno != EINTR) {
        error = last_error();
        return false;
    }
    return true;
}

// Makes the new file `fd` as the old one was: its owner where this process
// may set it, and its permissions. A new file mostly has them already: a
// look at it costs one system call where setting them costs two that each
// change the file.
void take_owner_and_mode(int fd, const struct stat& model) {
    struct stat made {};
    const bool known = fstat(fd, &made) == 0;
    const bool owned = known && made.st_uid == model.st_uid && made.st_gid == model.st_gid;
    if (!owned) {
        [[maybe_unused]] const int changed = fchown(fd, model.st_uid, model.st_gid);
    }
    if (!owned || (made.st_mode & 07777) != (model.st_mode & 07777)) {
        fchmod(fd, model.st_mode & 07777);
    }
}

void close_folder(FileBeingWritten& file) {
    if (file.folder != -1) {
        close(static_cast<int>(file.folder));
        file.folder = -1;
    }
}

}  // namespace

void prepare_process() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            // The lowest free descriptor: fd itself.
            const int null = open("/dev/null", O_WRONLY);
            if (null >= 0 && null != fd) {
                dup2(null, fd);
                close(null);
            }
        }
    }
    signal(SIGPIPE, SIG_IGN);
    signal(SIGXFSZ, SIG_IGN);
    struct sigaction ending {};
    ending.sa_handler = remove_temporary_and_end;
    ending.sa_flags = SA_RESETHAND;
    sigemptyset(&ending.sa_mask);
    for (const int signal_number : ENDING_SIGNALS) {
        sigaddset(&ending.sa_mask, signal_number);
    }
    for (const int signal_number : ENDING_SIGNALS) {
        // A signal ignored by whoever started the program (nohup, a job in
        // the background) stays ignored.
        struct sigaction before {};
        if (sigaction(signal_number, nullptr, &before) == 0 && before.sa_handler != SIG_IGN) {
            sigaction(signal_number, &ending, nullptr);
        }
    }
}

void read_standard_input_as_binary() {}

void prepare_pages(void* memory, std::size_t size) {
#ifdef MADV_POPULATE_WRITE
    constexpr std::size_t WORTH_ASKING = 4;
    const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    // Every page the bytes touch, also one they share with other memory:
    // asking for a page changes none of its bytes.
    const auto begin = reinterpret_cast<std::uintptr_t>(memory) & ~(page - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(memory) + size + page - 1) & ~(page - 1);
    if (end - begin >= WORTH_ASKING * page) {
        // Fails harmlessly (EINVAL) on a system too old to know the request.
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
    }
#else
    (void)memory;
    (void)size;
#endif
}

std::size_t last_component_start(const std::string& path) {
    const std::size_t separator = path.rfind('/');
    return separator == std::string::npos ? 0 : separator + 1;
}

bool written_in_place(const std::string& name) {
    struct stat status {};
    return stat(name.c_str(), &status) == 0 && !S_ISREG(status.st_mode);
}

std::optional<FileIdentity> file_identity(const std::string& name) {
    struct stat status {};
    if (stat(name.c_str(), &status) != 0) {
        return std::nullopt;
    }
    return FileIdentity{static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
}

std::error_code replace_refused(const std::string& name) {
    if (access(name.c_str(), W_OK) == 0 || errno == ENOENT) {
        return {};
    }
    return last_error();
}

bool open_replacement(const std::string& target, bool text, FileBeingWritten& file, std::error_code& error) {
    file = FileBeingWritten{};
    file.replacement = true;
    file.text = text;
    const std::size_t name_start = last_component_start(target);
    const std::string folder = name_start == 0 ? "." : target.substr(0, name_start);
    file.target = target.substr(name_start);
#ifdef O_PATH
    const int folder_fd = open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
#else
    const int folder_fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
#endif
    if (folder_fd < 0) {
        error = last_error();
        return false;
    }
    file.folder = folder_fd;
    int fd = create_unnamed(folder_fd);
    if (fd < 0) {
        fd = create_named(folder_fd, file.temporary);
    }
    if (fd < 0) {
        error = last_error();
        close_folder(file);
        return false;
    }
    file.handle = fd;
    struct stat model {};
    if (fstatat(folder_fd, file.target.c_str(), &model, 0) == 0) {
        file.replaces_file = true;
        take_owner_and_mode(fd, model);
    }
    return true;
}

bool open_in_place(const std::string& target, bool text, FileBeingWritten& file, std::error_code& error) {
    file = FileBeingWritten{};
    file.target = target;
    file.text = text;
    const int fd = open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = last_error();
        return false;
    }
    file.handle = fd;
    return true;
}

bool write_bytes(const FileBeingWritten& file, const char* data, std::size_t size, std::error_code& error) {
    while (size != 0) {
        const ssize_t written = write(static_cast<int>(file.handle), data, size);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            error = written < 0 ? last_error() : std::make_error_code(std::errc::io_error);
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool finish_file(FileBeingWritten& file, std::error_code& error) {
    const int fd = static_cast<int>(file.handle);
    if (!file.replacement) {
        file.handle = -1;
        return close_reporting(fd, error);
    }
    if (file.temporary.empty()) {
        // Unnamed: a second descriptor keeps it while the first is closed
        // (reporting what closing reports), and gives it its name.
        const int kept = dup(fd);
        if (kept < 0) {
            error = last_error();
            abandon_file(file);
            return false;
        }
        file.handle = kept;
        const bool linked = close_reporting(fd, error) &&
                            link_into_place(kept, static_cast<int>(file.folder), file.target, file.replaces_file, error);
        abandon_file(file);
        return linked;
    }
    file.handle = -1;
    if (close_reporting(fd, error)) {
        const RecordHeld held;
        if (renameat(static_cast<int>(file.folder), file.temporary.c_str(), static_cast<int>(file.folder),
                     file.target.c_str()) == 0) {
            clear_record();
            file.temporary.clear();
        } else {
            error = last_error();
        }
    }
    abandon_file(file);
    return !error;
}

void abandon_file(FileBeingWritten& file) {
    if (file.handle != -1) {
        close(static_cast<int>(file.handle));
        file.handle = -1;
    }
    if (!file.temporary.empty()) {
        const RecordHeld held;
        unlinkat(static_cast<int>(file.folder), file.temporary.c_str(), 0);
        clear_record();
        file.temporary.clear();
    }
    close_folder(file);
}

#endif
