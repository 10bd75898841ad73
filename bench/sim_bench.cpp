// Runs bench/sim_bench.asm (a memory copy, a checksum and a serial-output
// loop) on the simulator's core for a number of emulated cycles, and prints
// how fast: x09simbench [CYCLES], 1000000000 by default.
//
// Host instructions per emulated cycle: run it under
//   valgrind --tool=callgrind x09simbench 100000000
// and divide the "Collected" instructions by the cycles it prints.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include "sim/cpu.h"
#include "sim/memory.h"

namespace {

constexpr std::uint16_t ORIGIN = 0x1000;
constexpr std::uint16_t SERIAL = 0xC000;

// Always ready to send; counts and sums what it is sent.
class SerialSink : public sim::Device {
public:
    std::uint8_t read(std::uint16_t offset) override { return offset == 0 ? 0x02 : 0x00; }
    void write(std::uint16_t offset, std::uint8_t value) override {
        if (offset == 1) {
            ++sent;
            sum += value;
        }
    }
    std::uint64_t sent = 0, sum = 0;
};

}  // namespace

int main(int argc, char** argv) {
    const std::uint64_t cycles = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1000000000ull;
    std::ifstream file(SIM_BENCH_BIN, std::ios::binary);
    const std::vector<char> image{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (image.empty()) {
        std::fprintf(stderr, "x09simbench: cannot read %s\n", SIM_BENCH_BIN);
        return 1;
    }
    auto memory = std::make_unique<sim::Memory>();
    for (std::size_t i = 0; i < image.size(); ++i) {
        memory->load(static_cast<std::uint16_t>(ORIGIN + i), static_cast<std::uint8_t>(image[i]));
    }
    SerialSink serial;
    memory->map_device(SERIAL, SERIAL + 1, serial);
    sim::Cpu cpu(*memory);
    cpu.regs.pc = ORIGIN;

    const auto start = std::chrono::steady_clock::now();
    const sim::Stop stop = cpu.run({.max_cycles = cycles});
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;

    std::printf("%llu cycles in %.3f s: %.1f M cycles/s; %llu bytes sent (sum %llu), checksum $%02X, stop at $%04X\n",
                static_cast<unsigned long long>(cpu.cycles), took.count(), cpu.cycles / took.count() / 1e6,
                static_cast<unsigned long long>(serial.sent), static_cast<unsigned long long>(serial.sum),
                memory->peek(0x0010), stop.pc);
    return stop.reason == sim::StopReason::cycle_limit ? 0 : 1;
}
