// Two figures for a whole two-pass run of the generated benchmark source:
// in-process (assemble_source, all files written) and as a full x09asm
// process. Both report statements per second.

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <benchmark/benchmark.h>

#include "driver/run_driver.h"

namespace fs = std::filesystem;

namespace {

int count_lines(const fs::path& p) {
    std::ifstream f(p);
    int n = 0;
    for (std::string line; std::getline(f, line);) ++n;
    return n;
}

// A scratch directory holding a copy of the source; the runs write beside it.
struct Workspace {
    fs::path dir;
    int statements;
    Workspace() {
        std::string pattern = (fs::temp_directory_path() / "x09bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        dir = pattern;
        fs::copy_file(BENCH_SOURCE, dir / "big.asm");
        statements = count_lines(dir / "big.asm");
        fs::current_path(dir);
    }
};

Workspace& workspace() {
    static Workspace w;
    return w;
}

void report(benchmark::State& state) {
    state.counters["statements/s"] = benchmark::Counter(static_cast<double>(workspace().statements),
                                                        benchmark::Counter::kIsIterationInvariantRate);
}

void BM_TwoPassRunInProcess(benchmark::State& state) {
    workspace();
    for (auto _ : state) {
        std::ostringstream console;
        if (assemble_source("big.asm", console) != RunOutcome::completed) {
            state.SkipWithError("the benchmark source did not assemble");
            break;
        }
    }
    report(state);
}

void BM_WholeProcess(benchmark::State& state) {
    workspace();
    for (auto _ : state) {
        const pid_t pid = fork();
        if (pid == 0) {
            const int null_fd = open("/dev/null", O_WRONLY);
            dup2(null_fd, 1);
            execl(X09ASM_PATH, X09ASM_PATH, "-q", "big.asm", static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("x09asm did not complete");
            break;
        }
    }
    report(state);
}

}  // namespace

BENCHMARK(BM_TwoPassRunInProcess)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_WholeProcess)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK_MAIN();
