// Runs every case folder under tests/programs/ through the real x09asm binary
// in a fresh temporary directory and compares the console text and the files
// byte for byte.
//
// A case folder holds:
//   in/       files copied into the directory before the run (the sources);
//             a symbolic link is copied as the file it points to
//   stdin     what is typed at the prompt (optional; empty when missing)
//   args      command-line arguments, one per line (optional)
//   stdout    the expected standard output
//   stderr    the expected standard error (optional; empty when missing)
//   status    the expected exit status (optional; 0 when missing)
//   out/      every file the run must create or change, with its contents
// After the run the directory must hold exactly the files of in/ and out/:
// any other file is a failure, so files that must not exist are checked too.
// Files of in/ that are not in out/ must be unchanged.

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

std::string read_file(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

std::string read_optional(const fs::path& p) { return fs::exists(p) ? read_file(p) : std::string(); }

// Relative path -> contents of every regular file under dir.
std::map<std::string, std::string> snapshot(const fs::path& dir) {
    std::map<std::string, std::string> files;
    if (!fs::exists(dir)) {
        return files;
    }
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        if (entry.is_regular_file()) {
            files[entry.path().lexically_relative(dir).string()] = read_file(entry.path());
        }
    }
    return files;
}

std::vector<std::string> read_args(const fs::path& p) {
    std::vector<std::string> args;
    std::ifstream f(p);
    for (std::string line; std::getline(f, line);) {
        args.push_back(line);
    }
    return args;
}

// Runs the binary in `dir` with stdin, stdout and stderr redirected to files;
// returns its exit status, or -1 when it did not exit normally.
int run_binary(const fs::path& dir, const std::vector<std::string>& args, const fs::path& in,
               const fs::path& out, const fs::path& err) {
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
        std::vector<char*> argv;
        std::string exe = X09ASM_PATH;
        argv.push_back(exe.data());
        std::vector<std::string> copies = args;
        for (std::string& a : copies) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(exe.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::string> case_names() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(GOLDEN_DIR)) {
        if (entry.is_directory()) {
            names.push_back(entry.path().filename().string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

class Golden : public ::testing::TestWithParam<std::string> {};

TEST_P(Golden, MatchesExpectedOutput) {
    const fs::path case_dir = fs::path(GOLDEN_DIR) / GetParam();
    std::string pattern = (fs::temp_directory_path() / "x09golden-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const fs::path scratch = pattern;
    const fs::path work = scratch / "work";
    fs::create_directory(work);
    if (fs::exists(case_dir / "in")) {
        // Symbolic links are followed, so a case can use a shipped file itself.
        fs::copy(case_dir / "in", work, fs::copy_options::recursive);
    }
    const fs::path stdin_file = fs::exists(case_dir / "stdin") ? case_dir / "stdin" : fs::path("/dev/null");

    const int status = run_binary(work, read_args(case_dir / "args"), stdin_file, scratch / "stdout",
                                  scratch / "stderr");

    const std::string expected_status = read_optional(case_dir / "status");
    EXPECT_EQ(status, expected_status.empty() ? 0 : std::atoi(expected_status.c_str()));
    EXPECT_EQ(read_file(scratch / "stdout"), read_file(case_dir / "stdout"));
    EXPECT_EQ(read_file(scratch / "stderr"), read_optional(case_dir / "stderr"));

    std::map<std::string, std::string> expected = snapshot(case_dir / "in");
    for (const auto& [name, contents] : snapshot(case_dir / "out")) {
        expected[name] = contents;
    }
    const std::map<std::string, std::string> actual = snapshot(work);
    for (const auto& [name, contents] : expected) {
        const auto it = actual.find(name);
        if (it == actual.end()) {
            ADD_FAILURE() << "missing file " << name;
        } else {
            EXPECT_EQ(it->second, contents) << "in file " << name;
        }
    }
    for (const auto& entry : actual) {
        EXPECT_TRUE(expected.count(entry.first)) << "unexpected file " << entry.first;
    }
    fs::remove_all(scratch);
}

INSTANTIATE_TEST_SUITE_P(Programs, Golden, ::testing::ValuesIn(case_names()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param;
                             std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum(c); }, '_');
                             return name;
                         });

}  // namespace
