// Runs the real x09asm binary through faults of its surroundings that the
// golden cases cannot set up: FIFOs, pipes and sources that never end, a
// file-size limit, symbolic links, closed standard descriptors, consoles
// that cannot be written, signals, too little memory, a umask and paths
// near the system's limit. Each run is a POSIX shell script in a fresh
// directory, with the binary in $X; after it, the files must be exactly
// those of a clean run, or the earlier ones.

#include <fcntl.h>
#include <limits.h>
#include <pwd.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/assemble.h"

namespace fs = std::filesystem;

namespace {

const std::string SOURCE = " org $f000\nstart lda #1\n ldx #start\n fcc /text/\n end\n";
const std::vector<std::string> ALL_FORMATS = {"--srec", "--ihex", "--bin", "--symbols"};
const char* const OUTPUT_EXTENSIONS[] = {".lst", ".rom", ".obj", ".s19", ".hex", ".bin", ".sym"};

// What the script's surroundings hold besides its directory.
struct Surroundings {
    bool console_pipe_closed = false;   // standard output a pipe nobody reads
    rlim_t file_size_limit = RLIM_INFINITY;
    rlim_t memory_limit = RLIM_INFINITY;  // of its address space
    mode_t umask = 022;
    uid_t user = 0;  // the user it runs as (this test being root); 0 for the same
    gid_t group = 0;
    // Called once the script runs, with its process (which becomes x09asm
    // where the script starts it with exec).
    std::function<void(pid_t)> while_running;
};

constexpr int ENDING_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

constexpr double TIMEOUT_SECONDS = 20;  // a run that hangs is ended after this

struct ScriptRun {
    int status = -1;  // exit status; -1 when the shell did not exit normally or hung
    int signal = 0;   // the signal that ended it, or 0
    std::string out;  // standard output (empty when it is a closed pipe)
    std::string err;
    double seconds = 0;
};

std::string read_file(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// Relative path -> contents of every file under dir; a symbolic link is
// shown as "-> target".
std::map<std::string, std::string> files_under(const fs::path& dir) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        const std::string name = entry.path().lexically_relative(dir).string();
        if (entry.is_symlink()) {
            files[name] = "-> " + fs::read_symlink(entry.path()).string();
        } else if (entry.is_regular_file()) {
            files[name] = read_file(entry.path());
        }
    }
    return files;
}

// The files with the S0 header of the S-records left out: it holds the
// source's file name, which a source on a pipe does not have.
std::map<std::string, std::string> without_srec_header(std::map<std::string, std::string> files) {
    for (auto& [name, contents] : files) {
        if (fs::path(name).extension() == ".s19") {
            contents.erase(0, contents.find('\n') + 1);
        }
    }
    return files;
}

// Bytes the process `pid` has written so far (Linux); -1 where the system
// does not tell.
long long bytes_written_by(pid_t pid) {
    std::ifstream io("/proc/" + std::to_string(pid) + "/io");
    std::string key;
    long long value = 0;
    while (io >> key >> value) {
        if (key == "wchar:") {
            return value;
        }
    }
    return -1;
}

// Waits until the process `pid` has written `bytes`, or has ended (without
// reaping it).
void wait_until_written(pid_t pid, long long bytes) {
    siginfo_t info{};
    for (;;) {
        info.si_pid = 0;
        if (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0 || info.si_pid != 0) {
            return;
        }
        const long long written = bytes_written_by(pid);
        if (written < 0 || written >= bytes) {
            return;
        }
        usleep(200);
    }
}

// A source whose listing is large (about 2 MB) and whose image files are
// small: a run that lasts long enough to be interrupted while it writes.
std::string long_listing_source() {
    std::string source = " org $f000\nstart lda #1\n";
    for (int i = 0; i < 20000; ++i) {
        source += "* a comment line, listed with its number like any statement " + std::to_string(i) + "\n";
    }
    return source + " ldx #start\n fcc /text/\n end\n";
}

class Faults : public ::testing::Test {
protected:
    TempDir scratch;
    const fs::path work = scratch.path / "work";

    void SetUp() override { fs::create_directory(work); }

    void write(const std::string& name, const std::string& bytes) const {
        std::ofstream(work / name, std::ios::binary) << bytes;
    }
    std::string read(const std::string& name) const { return read_file(work / name); }

    // Runs `script` with sh in the work directory, standard input empty.
    ScriptRun run(const std::string& script, const Surroundings& around = {}) const {
        const fs::path out = scratch.path / "stdout";
        const fs::path err = scratch.path / "stderr";
        int pipe_ends[2] = {-1, -1};
        if (around.console_pipe_closed && pipe(pipe_ends) != 0) {
            ADD_FAILURE() << "pipe";
            return {};
        }
        const auto start = std::chrono::steady_clock::now();
        const pid_t pid = fork();
        if (pid == 0) {
            setpgid(0, 0);  // a group of its own, to end whatever it started when it hangs
            const int in_fd = open("/dev/null", O_RDONLY);
            const int out_fd = around.console_pipe_closed ? pipe_ends[1]
                                                          : open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int err_fd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (chdir(work.c_str()) != 0 || in_fd < 0 || out_fd < 0 || err_fd < 0) _exit(126);
            if (around.console_pipe_closed) close(pipe_ends[0]);
            dup2(in_fd, 0);
            dup2(out_fd, 1);
            dup2(err_fd, 2);
            const rlimit limit{around.file_size_limit, around.file_size_limit};
            const rlimit memory{around.memory_limit, around.memory_limit};
            const rlimit no_core{0, 0};
            if (setrlimit(RLIMIT_FSIZE, &limit) != 0 || setrlimit(RLIMIT_AS, &memory) != 0 ||
                setrlimit(RLIMIT_CORE, &no_core) != 0) _exit(126);
            for (const int signal_number : ENDING_SIGNALS) signal(signal_number, SIG_DFL);
            umask(around.umask);
            if (around.user != 0 && (setgid(around.group) != 0 || setuid(around.user) != 0)) _exit(126);
            setenv("X", X09ASM_PATH, 1);
            execl("/bin/sh", "sh", "-c", script.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        if (around.console_pipe_closed) {
            close(pipe_ends[0]);
            close(pipe_ends[1]);
        }
        if (around.while_running) {
            around.while_running(pid);
        }
        ScriptRun run;
        int status = 0;
        while (waitpid(pid, &status, WNOHANG) == 0) {
            run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            if (run.seconds > TIMEOUT_SECONDS) {
                ADD_FAILURE() << "hung: " << script;
                kill(-pid, SIGKILL);
                waitpid(pid, &status, 0);
                break;
            }
            usleep(1000);
        }
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
        run.out = around.console_pipe_closed ? "" : read_file(out);
        run.err = read_file(err);
        return run;
    }

    // The files of a clean run of `source` as t.asm with every format, named
    // as `base` names them.
    std::map<std::string, std::string> clean_outputs(const std::string& base,
                                                     const std::string& source = SOURCE) const {
        TempDir clean;
        std::ofstream(clean.path / "t.asm", std::ios::binary) << source;
        const std::string command = "cd '" + clean.path.string() + "' && '" X09ASM_PATH "' -q --srec --ihex --bin "
                                    "--symbols t.asm >/dev/null 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0);
        std::map<std::string, std::string> files;
        for (const char* extension : OUTPUT_EXTENSIONS) {
            files[base + extension] = read_file(clean.path / (std::string("t") + extension));
        }
        return files;
    }
};

TEST_F(Faults, SourcesThatAreNotRegularFiles) {
    struct Case {
        const char* what;
        const char* script;
        const char* base;  // of the outputs
    };
    const Case cases[] = {
        {"a FIFO fed once", "mkfifo f.asm && { cat t.src > f.asm & } && \"$X\" -q --srec --ihex --bin --symbols f.asm",
         "f"},
        {"a pipe on standard input", "cat t.src | \"$X\" -q --srec --ihex --bin --symbols -o p -", "p"},
        {"process substitution",
         "exec bash -c '\"$X\" -q --srec --ihex --bin --symbols -o s <(cat t.src)'", "s"},
    };
    const bool have_bash = std::system("command -v bash >/dev/null 2>&1") == 0;
    for (const Case& c : cases) {
        if (!have_bash && std::string(c.script).find("bash") != std::string::npos) {
            continue;
        }
        fs::remove_all(work);
        fs::create_directory(work);
        write("t.src", SOURCE);
        const ScriptRun r = run(c.script);
        EXPECT_EQ(r.status, 0) << c.what << "\n" << r.out << r.err;
        std::map<std::string, std::string> files = files_under(work);
        files.erase("t.src");
        files.erase("f.asm");
        EXPECT_EQ(without_srec_header(files), without_srec_header(clean_outputs(c.base))) << c.what;
    }
}

TEST_F(Faults, ASourceThatNeverEndsIsRefused) {
    const ScriptRun r = run("\"$X\" -o z /dev/zero");
    EXPECT_EQ(r.status, 1);
    EXPECT_LT(r.seconds, 5.0);
    EXPECT_NE(r.out.find("*** Cannot open file /dev/zero\n** Assembler stoped.\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.err, "x09asm: cannot open '/dev/zero': larger than 64 MiB\n");
    EXPECT_TRUE(files_under(work).empty());
}

// A file-size limit met while writing each output in turn: the outputs
// before it go to /dev/null through symbolic links (so that they are not
// limited), it and the later ones hold an earlier run's text, which must
// stay as it was; no temporary file may stay behind.
TEST_F(Faults, AFileSizeLimitLeavesTheEarlierFiles) {
    // 300 labels and 6000 bytes of image: every output is well over 4 KiB.
    std::string source = " org $1000\n";
    for (int i = 0; i < 300; ++i) {
        source += "label" + std::to_string(i) + " fcb " + std::to_string(i % 256) + "\n";
    }
    source += " rmb 6000\n fcb 1\n end\n";
    constexpr rlim_t LIMIT = 4096;
    for (std::size_t failing = 0; failing < std::size(OUTPUT_EXTENSIONS); ++failing) {
        const std::string name = std::string("t") + OUTPUT_EXTENSIONS[failing];
        fs::remove_all(work);
        fs::create_directory(work);
        write("t.asm", source);
        for (std::size_t i = 0; i < std::size(OUTPUT_EXTENSIONS); ++i) {
            const std::string other = std::string("t") + OUTPUT_EXTENSIONS[i];
            if (i < failing) {
                fs::create_symlink("/dev/null", work / other);
            } else {
                write(other, "earlier " + other + "\n");
            }
        }
        const std::map<std::string, std::string> before = files_under(work);

        Surroundings limited;
        limited.file_size_limit = LIMIT;
        const ScriptRun r = run("\"$X\" -q --srec --ihex --bin --symbols t.asm", limited);

        EXPECT_EQ(r.status, 1) << name;
        EXPECT_NE(r.out.find("*** Cannot write file " + name + "\n** Assembler stoped.\n"), std::string::npos)
            << name << "\n" << r.out;
        EXPECT_EQ(r.err, "x09asm: cannot write '" + name + "': File too large\n") << name;
        EXPECT_EQ(files_under(work), before) << name;
    }
}

TEST_F(Faults, ASymbolicLinkOutputIsWrittenThrough) {
    write("t.asm", SOURCE);
    fs::create_directory(work / "real");
    write("real/listing", "earlier listing\n");
    fs::permissions(work / "real/listing", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink("real/listing", work / "t.lst");
    fs::create_symlink("real/not-yet", work / "t.rom");  // leads nowhere yet
    write("real/object", "earlier object\n");
    fs::create_symlink("real/object", work / "chain");
    fs::create_symlink("chain", work / "t.obj");         // a chain of links

    const ScriptRun r = run("\"$X\" -q --bin t.asm");
    ASSERT_EQ(r.status, 0) << r.out << r.err;

    const std::map<std::string, std::string> clean = clean_outputs("t");
    const std::map<std::string, std::string> expected = {
        {"t.asm", SOURCE},          {"t.lst", "-> real/listing"}, {"t.rom", "-> real/not-yet"},
        {"chain", "-> real/object"}, {"t.obj", "-> chain"},       {"t.bin", clean.at("t.bin")},
        {"real/listing", clean.at("t.lst")}, {"real/object", clean.at("t.obj")},
        {"real/not-yet", clean.at("t.rom")},
    };
    EXPECT_EQ(files_under(work), expected);
    EXPECT_EQ(fs::status(work / "real/listing").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read)
        << "the replaced file keeps its permissions";
}

TEST_F(Faults, ClosedStandardDescriptorsTakeNoFile) {
    const std::pair<const char*, const char*> cases[] = {
        {"standard output closed", "\"$X\" --srec --ihex --bin --symbols t.asm >&-"},
        {"all three closed", "\"$X\" --srec --ihex --bin --symbols t.asm <&- >&- 2>&-"},
        {"the prompt's output closed", "echo t.asm | \"$X\" --srec --ihex --bin --symbols >&-"},
    };
    const std::map<std::string, std::string> clean = clean_outputs("t");
    for (const auto& [what, script] : cases) {
        fs::remove_all(work);
        fs::create_directory(work);
        write("t.asm", SOURCE);
        const ScriptRun r = run(script);
        EXPECT_EQ(r.status, 0) << what << "\n" << r.err;
        std::map<std::string, std::string> files = files_under(work);
        files.erase("t.asm");
        EXPECT_EQ(files, clean) << what;
    }
}

// The console is a pipe closed before the run or the full device: the run
// goes on and writes every file whole; a call with arguments then fails.
TEST_F(Faults, AConsoleThatCannotBeWrittenDecidesNoFile) {
    struct Case {
        const char* what;
        const char* script;
        bool pipe_closed;
        int status;  // also tells the prompt's run (0), which writes only the three files
        const char* err;
    };
    const char* const lost = "x09asm: the console text could not be written to standard output\n";
    const Case cases[] = {
        {"a closed pipe", "\"$X\" --srec --ihex --bin --symbols t.asm", true, 1, lost},
        {"the full device", "\"$X\" --srec --ihex --bin --symbols t.asm >/dev/full", false, 1, lost},
        {"a closed pipe at the prompt", "echo t.asm | \"$X\"", true, 0, ""},
        {"the full device at the prompt", "echo t.asm | \"$X\" >/dev/full", false, 0, ""},
    };
    const std::map<std::string, std::string> clean = clean_outputs("t");
    for (const Case& c : cases) {
        fs::remove_all(work);
        fs::create_directory(work);
        write("t.asm", SOURCE);
        Surroundings around;
        around.console_pipe_closed = c.pipe_closed;
        const ScriptRun r = run(c.script, around);
        EXPECT_EQ(r.status, c.status) << c.what;
        EXPECT_EQ(r.err, c.err) << c.what;
        std::map<std::string, std::string> expected = clean;
        expected["t.asm"] = SOURCE;
        if (c.status == 0) {
            for (const char* name : {"t.s19", "t.hex", "t.bin", "t.sym"}) {
                expected.erase(name);
            }
        }
        EXPECT_EQ(files_under(work), expected) << c.what;
    }
}

// Each signal that ends a run, sent while the listing is written, while the
// image files are and after: every output is then the earlier file or the
// whole new one, no temporary is left, and the run ended as the signal ends
// a process (or completed, when the signal came too late). kill -9 cannot be
// handled: with no earlier files, each output is then missing or whole, and
// where the system makes files without a name (Linux) no temporary is left
// either, since it has none until it is whole.
TEST_F(Faults, AnInterruptedRunLeavesOldOrWholeFiles) {
    const std::string source = long_listing_source();
    const std::map<std::string, std::string> clean = clean_outputs("t", source);
    const long long listing_size = static_cast<long long>(clean.at("t.lst").size());
    const long long points[] = {0, listing_size / 10, listing_size * 9 / 10,
                                listing_size + static_cast<long long>(clean.at("t.rom").size()), listing_size * 4};
    std::vector<int> signals(std::begin(ENDING_SIGNALS), std::end(ENDING_SIGNALS));
#ifdef O_TMPFILE
    const int unnamed = open(work.c_str(), O_TMPFILE | O_WRONLY, 0600);
    if (unnamed >= 0) {  // this folder's file system has files without a name
        close(unnamed);
        signals.push_back(SIGKILL);
    }
#endif
    for (const int signal_number : signals) {
        const bool with_earlier_files = signal_number != SIGKILL;
        for (const long long point : points) {
            const std::string what = std::string(strsignal(signal_number)) + " after " + std::to_string(point) + " bytes";
            fs::remove_all(work);
            fs::create_directory(work);
            write("t.asm", source);
            std::map<std::string, std::string> earlier;
            for (const auto& [name, contents] : clean) {
                earlier[name] = "earlier " + name + "\n";
                if (with_earlier_files) {
                    write(name, earlier[name]);
                }
            }
            Surroundings around;
            around.while_running = [&](pid_t pid) {
                wait_until_written(pid, point);
                kill(pid, signal_number);
            };
            const ScriptRun r = run("exec \"$X\" -q --srec --ihex --bin --symbols t.asm", around);

            EXPECT_TRUE(r.signal == signal_number || (r.signal == 0 && r.status == 0))
                << what << ": status " << r.status << ", signal " << r.signal << "\n" << r.err;
            std::map<std::string, std::string> files = files_under(work);
            EXPECT_EQ(files["t.asm"], source) << what;
            files.erase("t.asm");
            for (const auto& [name, contents] : files) {
                const auto new_file = clean.find(name);
                ASSERT_NE(new_file, clean.end()) << what << ": " << name << " left";
                EXPECT_TRUE(contents == new_file->second || (with_earlier_files && contents == earlier[name]))
                    << what << ": " << name;
            }
            if (with_earlier_files) {
                EXPECT_EQ(files.size(), clean.size()) << what;
            }
        }
    }
}

// Standard input that cannot be read is an error of that source: nothing is
// made or replaced.
TEST_F(Faults, StandardInputThatCannotBeReadTouchesNoFile) {
    const std::pair<const char*, const char*> cases[] = {
        {"\"$X\" -q -o p - <&-", "x09asm: cannot read standard input: Bad file descriptor\n"},
        {"\"$X\" -q -o p - < .", "x09asm: cannot read standard input: Is a directory\n"},
    };
    for (const auto& [script, err] : cases) {
        fs::remove_all(work);
        fs::create_directory(work);
        write("p.lst", "earlier listing\n");
        const std::map<std::string, std::string> before = files_under(work);
        const ScriptRun r = run(script);
        EXPECT_EQ(r.status, 1) << script;
        EXPECT_EQ(r.out, "*** Cannot open file -\n** Assembler stoped.\n") << script;
        EXPECT_EQ(r.err, err) << script;
        EXPECT_EQ(files_under(work), before) << script;
    }
}

// Two outputs of one run that lead to one file are refused before anything
// is written, in both kinds of call.
TEST_F(Faults, OutputsThatAreOneFileAreRefused) {
    struct Case {
        const char* what;
        const char* links;  // shell commands run before x09asm
        const char* options;
        const char* message;
    };
    const Case cases[] = {
        {"a link to a file not made yet", "ln -s t.rom t.lst", "", "t.rom would overwrite t.lst"},
        {"a link to an earlier output", "echo old > t.lst && ln -s t.lst t.obj", "", "t.obj would overwrite t.lst"},
        {"a hard link", "echo old > t.obj && ln t.obj t.sym", "--symbols", "t.sym would overwrite t.obj"},
        {"a link through a folder", "mkdir d && ln -s ../t.bin d/x && ln -s d/x t.rom", "--bin",
         "t.bin would overwrite t.rom"},
    };
    for (const Case& c : cases) {
        // The interactive program writes no extra formats.
        for (const bool with_arguments : {true, *c.options == '\0' ? false : true}) {
            fs::remove_all(work);
            fs::create_directory(work);
            write("t.asm", SOURCE);
            ASSERT_EQ(std::system(("cd '" + work.string() + "' && " + c.links).c_str()), 0) << c.what;
            const std::map<std::string, std::string> before = files_under(work);
            const std::string run_it = with_arguments ? std::string("\"$X\" -q ") + c.options + " t.asm"
                                                      : std::string("echo t.asm | \"$X\"");
            const ScriptRun r = run(run_it);
            const std::string refusal = std::string("*** Output file ") + c.message + "\n** Assembler stoped.\n";
            EXPECT_TRUE(r.out.ends_with(refusal)) << c.what << "\n" << r.out;
            EXPECT_EQ(r.status, with_arguments ? 1 : 0) << c.what;
            EXPECT_EQ(files_under(work), before) << c.what;
        }
    }
}

// A source too large for the memory the process may have: a stopped run
// that touched no file, not a crash.
TEST_F(Faults, TooLittleMemoryStopsTheRun) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers need more address space than any limit the test could set";
#endif
    std::string source = SOURCE;
    source.insert(0, std::string(32 << 20, '\n'));  // 32 MiB of empty lines first
    write("t.asm", source);
    write("t.lst", "earlier listing\n");
    const std::map<std::string, std::string> before = files_under(work);
    Surroundings limited;
    limited.memory_limit = rlim_t{16} << 20;
    const std::pair<const char*, const char*> cases[] = {
        {"\"$X\" -q t.asm", "x09asm: out of memory\n"},
        {"echo t.asm | \"$X\"", ""},
    };
    for (const auto& [script, err] : cases) {
        const ScriptRun r = run(script, limited);
        EXPECT_EQ(r.status, 1) << script << "\n" << r.err;
        EXPECT_TRUE(r.out.ends_with("** Assembler stoped.\n")) << script << "\n" << r.out;
        EXPECT_EQ(r.err, err) << script;
        EXPECT_EQ(files_under(work), before) << script;
    }
}

// A umask that makes new files read-only: the folder may still be written,
// so every output is (as a user who is not root, whom no permission stops).
TEST_F(Faults, AUmaskThatMakesFilesReadOnly) {
    Surroundings around;
    around.umask = 0222;
    if (geteuid() == 0) {
        const passwd* nobody = getpwnam("nobody");
        if (nobody == nullptr || nobody->pw_uid == 0) {
            GTEST_SKIP() << "root, without a user to run as";
        }
        around.user = nobody->pw_uid;
        around.group = nobody->pw_gid;
        fs::permissions(scratch.path, fs::perms::all & ~(fs::perms::group_write | fs::perms::others_write));
        fs::permissions(work, fs::perms::all);
    }
    write("t.asm", SOURCE);
    const ScriptRun r = run("umask 022 && echo earlier > t.lst && umask 0222 && "
                            "\"$X\" -q --srec --ihex --bin --symbols t.asm",
                            around);
    if (r.status == 126) {
        GTEST_SKIP() << "cannot run the program as another user here";
    }
    ASSERT_EQ(r.status, 0) << r.err;
    std::map<std::string, std::string> expected = clean_outputs("t");
    expected["t.asm"] = SOURCE;
    EXPECT_EQ(files_under(work), expected);
    EXPECT_EQ(fs::status(work / "t.lst").permissions(), static_cast<fs::perms>(0644)) << "the replaced file's";
    EXPECT_EQ(fs::status(work / "t.rom").permissions(), static_cast<fs::perms>(0444)) << "a new file's";
}

// A source in a folder whose path is close to the system's limit: its
// outputs fit, and so must whatever is written to make them.
TEST_F(Faults, ALongFolderPath) {
    std::string folder;
    while (folder.size() + 210 < PATH_MAX - 16) {
        folder += std::string(200, 'd') + std::to_string(folder.size() / 1000) + "/";
    }
    folder += std::string(PATH_MAX - 1 - 6 - folder.size(), 'e');  // "/t.lst" then reaches PATH_MAX - 1
    const std::string source_path = folder + "/t.asm";
    ASSERT_EQ(source_path.size(), PATH_MAX - 1u);
    {
        ScopedCwd cwd(work);
        fs::create_directories(folder);
        std::ofstream(source_path, std::ios::binary) << SOURCE;
    }
    const ScriptRun r = run("\"$X\" -q --srec --ihex --bin --symbols '" + source_path + "'");
    EXPECT_EQ(r.status, 0) << r.err;
    ScopedCwd cwd(work);
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        files[entry.path().filename().string()] = read_file(entry.path());
    }
    fs::remove_all(folder.substr(0, folder.find('/')));
    std::map<std::string, std::string> expected = clean_outputs("t");
    expected["t.asm"] = SOURCE;
    EXPECT_EQ(without_srec_header(files), without_srec_header(expected));
}

// Diagnostics that cannot be written fail a call with arguments, as a lost
// console text does; the files are written all the same.
TEST_F(Faults, DiagnosticsThatCannotBeWritten) {
    const std::string warned = " lda #%00001111\n" + SOURCE;  // a binary-looking number draws a warning
    const std::pair<std::string, int> cases[] = {{SOURCE, 0}, {warned, 1}};
    for (const auto& [source, status] : cases) {
        fs::remove_all(work);
        fs::create_directory(work);
        write("t.asm", source);
        const ScriptRun r = run("\"$X\" -q --srec --ihex --bin --symbols t.asm 2>/dev/full");
        EXPECT_EQ(r.status, status) << source;
        std::map<std::string, std::string> expected = clean_outputs("t", source);
        expected["t.asm"] = source;
        EXPECT_EQ(files_under(work), expected);
    }
}

}  // namespace
