#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

namespace sim {

// The interrupt inputs of the CPU. IRQ and FIRQ are levels, held by whoever
// drives them; NMI is an edge, latched until the CPU takes it.
struct InterruptLines {
    bool irq = false;
    bool firq = false;
    bool nmi = false;
};

class Memory;

// A peripheral mapped over a few addresses (an ACIA, say): reads and writes
// there reach it instead of memory.
class Device {
public:
    virtual ~Device() = default;
    virtual std::uint8_t read(std::uint16_t offset) = 0;
    virtual void write(std::uint16_t offset, std::uint8_t value) = 0;
    // Called now and then (and whenever the CPU waits) with the cycle count,
    // so that input that arrived can raise the device's interrupt.
    virtual void poll(std::uint64_t cycles) { (void)cycles; }
    // Whether the device may still change state by itself (input yet to
    // come): a CPU waiting in CWAI or SYNC that no device can wake stops.
    virtual bool can_wake() const { return false; }
};

// The 64 KiB address space: RAM, ranges made read-only, and devices.
class Memory {
public:
    Memory();

    // Loading an image: stores whatever the range, ROM included.
    void load(std::uint16_t address, std::uint8_t value) { bytes_[address] = value; }
    std::uint8_t peek(std::uint16_t address) const { return bytes_[address]; }

    // What the CPU reads and writes. A write to ROM is ignored and counted.
    // RAM is answered here, inline: the CPU's every access comes this way.
    std::uint8_t read(std::uint16_t address) {
        return kind_[address] < DEVICE ? bytes_[address] : read_device(address);
    }
    void write(std::uint16_t address, std::uint8_t value) {
        if (kind_[address] == RAM) {
            bytes_[address] = value;
        } else {
            write_other(address, value);
        }
    }

    // Whether a read or write of an address is answered by the bytes alone,
    // with no device or ROM to reach.
    bool reads_plain(std::uint16_t address) const { return kind_[address] < DEVICE; }
    bool writes_plain(std::uint16_t address) const { return kind_[address] == RAM; }
    // The same for the two bytes from an address, by one test of both kinds:
    // RAM and ROM differ from 0 in bit 0 alone. At $FFFF, never: the second
    // byte wraps to $0000.
    bool reads_plain16(std::uint16_t address) const { return (kinds16(address) & 0xFEFE) == 0; }
    bool writes_plain16(std::uint16_t address) const { return kinds16(address) == 0; }
    // Whether the bytes an instruction at an address may fetch, the longest
    // instruction's FETCH_WINDOW bytes from it on, all read plain.
    static constexpr unsigned FETCH_WINDOW = 5;
    bool fetches_plain(std::uint16_t address) const { return fetches_plain_[address]; }

    void mark_rom(std::uint16_t first, std::uint16_t last);
    void map_device(std::uint16_t first, std::uint16_t last, Device& device);

    std::uint64_t ignored_rom_writes() const { return ignored_rom_writes_; }
    void poll_devices(std::uint64_t cycles);
    bool device_can_wake() const;

    InterruptLines lines;
    // Set by a device to end the run (end of input, the quit key).
    bool stop_requested = false;

private:
    static constexpr std::uint8_t RAM = 0, ROM = 1, DEVICE = 2;
    std::uint8_t read_device(std::uint16_t address);
    std::uint16_t kinds16(std::uint16_t address) const {
        std::uint16_t kinds = 0;
        std::memcpy(&kinds, &kind_[address], sizeof kinds);
        return kinds;
    }
    void write_other(std::uint16_t address, std::uint8_t value);

    std::array<std::uint8_t, 0x10000> bytes_{};
    // What each address is: 0 for RAM, 1 for ROM, 2 + n for devices_[n].
    // One more than the addresses: past $FFFF a device kind, so that the
    // two-byte tests of $FFFF fail.
    std::array<std::uint8_t, 0x10001> kind_{};
    std::array<bool, 0x10000> fetches_plain_{};
    std::vector<Device*> devices_;
    std::vector<std::uint16_t> device_base_;
    std::uint64_t ignored_rom_writes_ = 0;
};

}  // namespace sim
