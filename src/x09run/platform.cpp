#include "x09run/platform.h"

#include <cstdio>

#ifdef _WIN32
#include <conio.h>
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace x09run {

namespace {

// Empty polls of the terminal between two rests of a millisecond.
constexpr unsigned POLLS_BEFORE_REST = 256;

class TerminalKeys final : public ByteInput {
public:
    int next() override {
        const int key = read_key(++empty_polls_ % POLLS_BEFORE_REST == 0);
        if (key == NONE) {
            return NONE;
        }
        empty_polls_ = 0;
        return key == QUIT_KEY ? QUIT : key;
    }
    int ready() override {
        const int key = read_key(false);
        return key == QUIT_KEY ? QUIT : key;
    }

private:
    // A key when one was pressed; waits up to a millisecond for one when
    // `rest` is set. NONE when there is none, END when the terminal is gone.
    static int read_key(bool rest);

    unsigned empty_polls_ = 0;
};

}  // namespace

std::unique_ptr<ByteInput> terminal_keys() { return std::make_unique<TerminalKeys>(); }

#ifdef _WIN32

namespace {

// The console mode to restore. It is the one piece of state outside the run's
// record: the console's control handler must reach it.
DWORD saved_console_mode = 0;

HANDLE console_input() { return GetStdHandle(STD_INPUT_HANDLE); }

BOOL WINAPI restore_on_control(DWORD) {
    SetConsoleMode(console_input(), saved_console_mode);
    return FALSE;  // and let the default handler end the process
}

}  // namespace

void prepare_process() {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
}

bool standard_input_is_terminal() {
    DWORD mode = 0;
    return GetConsoleMode(console_input(), &mode) != 0;
}

RawTerminal::RawTerminal() {
    GetConsoleMode(console_input(), &saved_console_mode);
    SetConsoleCtrlHandler(restore_on_control, TRUE);
    SetConsoleMode(console_input(),
                   saved_console_mode & ~(ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT | ENABLE_PROCESSED_INPUT));
}

RawTerminal::~RawTerminal() {
    SetConsoleMode(console_input(), saved_console_mode);
    SetConsoleCtrlHandler(restore_on_control, FALSE);
}

int TerminalKeys::read_key(bool rest) {
    if (_kbhit()) {
        return _getch() & 0xFF;
    }
    if (rest) {
        Sleep(1);
    }
    return NONE;
}

#else

namespace {

// The terminal settings to restore. They are the one piece of state outside
// the run's record: a signal handler must reach them.
struct termios saved_terminal {};

constexpr int RESTORED_SIGNALS[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL};

// Restores the terminal, then lets the signal do what it does by default
// (the handler was installed for one delivery only).
void restore_and_reraise(int signal_number) {
    tcsetattr(STDIN_FILENO, TCSANOW, &saved_terminal);
    raise(signal_number);
}

void set_handlers(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    action.sa_flags = handler == SIG_DFL ? 0 : SA_RESETHAND | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    for (int signal_number : RESTORED_SIGNALS) {
        sigaction(signal_number, &action, nullptr);
    }
}

}  // namespace

void prepare_process() { signal(SIGPIPE, SIG_IGN); }

bool standard_input_is_terminal() { return isatty(STDIN_FILENO) != 0; }

RawTerminal::RawTerminal() {
    tcgetattr(STDIN_FILENO, &saved_terminal);
    set_handlers(restore_and_reraise);
    struct termios raw = saved_terminal;
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG | IEXTEN);
    raw.c_iflag &= ~static_cast<tcflag_t>(ICRNL | INLCR | IGNCR | IXON);
    raw.c_oflag &= ~static_cast<tcflag_t>(OPOST);  // the program's bytes reach the terminal as they are
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    tcsetattr(STDIN_FILENO, TCSANOW, &raw);
}

RawTerminal::~RawTerminal() {
    tcsetattr(STDIN_FILENO, TCSANOW, &saved_terminal);
    set_handlers(SIG_DFL);
}

int TerminalKeys::read_key(bool rest) {
    struct pollfd key {STDIN_FILENO, POLLIN, 0};
    if (poll(&key, 1, rest ? 1 : 0) <= 0) {
        return NONE;
    }
    unsigned char byte = 0;
    const ssize_t got = ::read(STDIN_FILENO, &byte, 1);
    return got == 1 ? byte : got == 0 ? END : NONE;
}

#endif

}  // namespace x09run
