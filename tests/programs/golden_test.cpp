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
//
// The same cases run through the Windows program (x09asm.exe, under Wine when
// cross-built), which writes its text with CR LF line ends; see
// expected_output for how that is compared.

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/platform.h"

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

// What a file the program wrote must hold, given its expected bytes as Linux
// writes them. The console streams and every file but the raw image are
// written in text mode, so on Windows each LF of them is CR LF and nothing
// else differs; the ROM image is such a text file with no line end, so it is
// byte for byte the same. The raw image (.bin) is written in binary mode and
// must be identical everywhere.
std::string expected_output(const std::string& name, const std::string& contents) {
    return fs::path(name).extension() == ".bin" ? contents : as_text_file(contents);
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
    const fs::path scratch = make_temp_dir("x09golden");
    const fs::path work = scratch / "work";
    fs::create_directory(work);
    if (fs::exists(case_dir / "in")) {
        // Symbolic links are followed, so a case can use a shipped file itself.
        fs::copy(case_dir / "in", work, fs::copy_options::recursive);
    }
    const fs::path stdin_file = scratch / "stdin";
    std::ofstream(stdin_file, std::ios::binary) << read_optional(case_dir / "stdin");

    const int status = run_program(X09ASM_PATH, read_args(case_dir / "args"), work, stdin_file, scratch / "stdout",
                                   scratch / "stderr");

    const std::string expected_status = read_optional(case_dir / "status");
    EXPECT_EQ(status, expected_status.empty() ? 0 : std::atoi(expected_status.c_str()));
    EXPECT_EQ(read_file(scratch / "stdout"), as_text_file(read_file(case_dir / "stdout")));
    EXPECT_EQ(read_file(scratch / "stderr"), as_text_file(read_optional(case_dir / "stderr")));

    // Files of in/ are left as they are; those of out/ are written by the run.
    std::map<std::string, std::string> expected = snapshot(case_dir / "in");
    for (const auto& [name, contents] : snapshot(case_dir / "out")) {
        expected[name] = expected_output(name, contents);
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
