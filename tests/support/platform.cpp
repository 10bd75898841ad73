#include "support/platform.h"

#include <random>
#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

fs::path make_temp_dir(const std::string& prefix) {
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path dir = fs::temp_directory_path() / (prefix + "-" + std::to_string(random() % 1000000000));
        if (fs::create_directory(dir)) {
            return dir;
        }
    }
    throw std::runtime_error("cannot make a temporary directory");
}

#ifdef _WIN32

bool runs_build_machine_tools() { return false; }

std::string as_text_file(const std::string& text) {
    std::string crlf;
    for (const char c : text) {
        if (c == '\n') {
            crlf += '\r';
        }
        crlf += c;
    }
    return crlf;
}

namespace {

// One argument as the C runtime's command-line parser reads it back.
std::wstring quoted(const std::wstring& arg) {
    std::wstring q = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes double only before a quote, which is then escaped too.
        q.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        q += c;
        backslashes = 0;
    }
    q.append(2 * backslashes, L'\\');
    return q + L'"';
}

HANDLE open_inheritable(const fs::path& path, bool write) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return CreateFileW(path.c_str(), write ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       &inherit, write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

int run_program(const fs::path& program, const std::vector<std::string>& args, const fs::path& dir,
                const fs::path& in, const fs::path& out, const fs::path& err) {
    const fs::path exe = fs::absolute(program);
    std::wstring command = quoted(exe.wstring());
    for (const std::string& arg : args) {
        command += L' ' + quoted(fs::path(arg).wstring());
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = open_inheritable(in, false);
    startup.hStdOutput = open_inheritable(out, true);
    startup.hStdError = open_inheritable(err, true);
    PROCESS_INFORMATION process{};
    const bool started = startup.hStdInput != INVALID_HANDLE_VALUE && startup.hStdOutput != INVALID_HANDLE_VALUE &&
                         startup.hStdError != INVALID_HANDLE_VALUE &&
                         CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, dir.c_str(),
                                        &startup, &process);
    for (HANDLE h : {startup.hStdInput, startup.hStdOutput, startup.hStdError}) {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
    if (!started) {
        return -1;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 0;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(status);
}

#else

bool runs_build_machine_tools() { return true; }

std::string as_text_file(const std::string& text) { return text; }

int run_program(const fs::path& program, const std::vector<std::string>& args, const fs::path& dir,
                const fs::path& in, const fs::path& out, const fs::path& err) {
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0) _exit(126);
        const int in_fd = open(in.c_str(), O_RDONLY);
        const int out_fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err_fd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in_fd < 0 || out_fd < 0 || err_fd < 0) _exit(126);
        dup2(in_fd, 0);
        dup2(out_fd, 1);
        dup2(err_fd, 2);
        std::string exe = program.string();
        std::vector<std::string> copies = args;
        std::vector<char*> argv{exe.data()};
        for (std::string& a : copies) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(exe.c_str(), argv.data());
        _exit(127);
    }
    if (pid < 0) {
        return -1;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

#endif
