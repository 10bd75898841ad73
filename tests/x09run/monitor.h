#pragma once

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "driver/run_driver.h"
#include "support/assemble.h"

// Copies the shipped monitor into `dir` and assembles it there, with its
// symbol file; the console text, for a test's failure message, in `console`.
inline bool assemble_monitor(const TempDir& dir, std::string& console) {
    std::ifstream source(EXAMPLES_DIR "/monitor.asm", std::ios::binary);
    dir.write("monitor.asm", std::string(std::istreambuf_iterator<char>(source), {}));
    ScopedCwd cwd(dir.path);
    std::ostringstream text;
    RunOptions options;
    options.symbols = true;
    const bool completed = assemble_source("monitor.asm", text, options) == RunOutcome::completed;
    console = text.str();
    return completed;
}
