// Runs the real x09asm binary through faults of its surroundings that the
// golden cases cannot set up: FIFOs, pipes and sources that never end, a
// file-size limit, symbolic links, closed standard descriptors and consoles
// that cannot be written. Each run is a POSIX shell script in a fresh
// directory, with the binary in $X; after it, the files must be exactly
// those of a clean run, or the earlier ones.

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
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
};

constexpr double TIMEOUT_SECONDS = 20;  // a run that hangs is ended after this

struct ScriptRun {
    int status = -1;  // exit status; -1 when the shell did not exit normally or hung
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
            if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(126);
            setenv("X", X09ASM_PATH, 1);
            execl("/bin/sh", "sh", "-c", script.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        if (around.console_pipe_closed) {
            close(pipe_ends[0]);
            close(pipe_ends[1]);
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
        run.out = around.console_pipe_closed ? "" : read_file(out);
        run.err = read_file(err);
        return run;
    }

    // The files of a clean run of SOURCE as t.asm with every format, named
    // as `base` names them.
    std::map<std::string, std::string> clean_outputs(const std::string& base) const {
        TempDir clean;
        std::ofstream(clean.path / "t.asm", std::ios::binary) << SOURCE;
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

}  // namespace
