// x09run on a terminal (a pseudo-terminal here): keys reach the program as
// typed, the quit key ends the run, and the terminal is restored however the
// run ends, a signal included. POSIX only.

#ifndef _WIN32

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "driver/run_driver.h"
#include "support/assemble.h"
#include "x09run/monitor.h"

namespace {

// x09run started on a new pseudo-terminal, its controlling terminal.
struct TerminalRun {
    int master = -1;
    pid_t pid = -1;
    std::string output;

    explicit TerminalRun(const std::vector<std::string>& args) {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return;
        const std::string slave = ptsname(master);
        std::vector<char*> argv{const_cast<char*>("x09run")};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        pid = fork();
        if (pid == 0) {
            setsid();
            const int fd = open(slave.c_str(), O_RDWR);
            dup2(fd, 0);
            dup2(fd, 1);
            dup2(fd, 2);
            execv(X09RUN_PATH, argv.data());
            _exit(127);
        }
    }
    ~TerminalRun() {
        if (pid > 0 && waitpid(pid, nullptr, WNOHANG) == 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        if (master >= 0) close(master);
    }

    // Reads what the program shows until it holds `text` (or 10 s passed).
    bool shows(const std::string& text) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (output.find(text) == std::string::npos && std::chrono::steady_clock::now() < deadline) {
            pollfd p{master, POLLIN, 0};
            char buffer[256];
            if (poll(&p, 1, 100) > 0) {
                const ssize_t got = read(master, buffer, sizeof buffer);
                if (got <= 0) break;
                output.append(buffer, static_cast<std::size_t>(got));
            }
        }
        return output.find(text) != std::string::npos;
    }
    bool line_editing() const {
        termios t{};
        tcgetattr(master, &t);
        return (t.c_lflag & ICANON) != 0 && (t.c_lflag & ECHO) != 0;
    }
    int wait_status() {
        int status = 0;
        waitpid(pid, &status, 0);
        pid = -1;
        return status;
    }
};

TEST(Terminal, KeysAsTypedTheQuitKeyAndTheTerminalRestored) {
    TempDir dir;
    std::string console;
    ASSERT_TRUE(assemble_monitor(dir, console)) << console;
    ScopedCwd cwd(dir.path);

    for (const int ending : {0, SIGTERM, SIGHUP}) {
        TerminalRun run({"--symbols", "monitor.sym", "--acia", "acia", "monitor.obj"});
        ASSERT_GT(run.pid, 0);
        ASSERT_TRUE(run.shows("6809 monitor 1.0\r\n> ")) << run.output;
        EXPECT_FALSE(run.line_editing());
        ASSERT_EQ(write(run.master, "h", 1), 1);  // no Enter: the key goes as typed
        ASSERT_TRUE(run.shows("> hA hhhh  C sum")) << run.output;
        if (ending == 0) {
            ASSERT_EQ(write(run.master, "\x1D", 1), 1);
            EXPECT_TRUE(run.shows("(quit) after")) << run.output;
            const int status = run.wait_status();
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        } else {
            kill(run.pid, ending);
            const int status = run.wait_status();
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == ending) << status;
        }
        EXPECT_TRUE(run.line_editing()) << "ended by " << ending;
    }
}

}  // namespace

#endif
