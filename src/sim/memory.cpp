#include "sim/memory.h"

#include <stdexcept>

namespace sim {

Memory::Memory() {
    fetches_plain_.fill(true);
    kind_[0x10000] = DEVICE;
}

std::uint8_t Memory::read_device(std::uint16_t address) {
    const std::size_t n = kind_[address] - DEVICE;
    return devices_[n]->read(static_cast<std::uint16_t>(address - device_base_[n]));
}

void Memory::write_other(std::uint16_t address, std::uint8_t value) {
    if (kind_[address] == ROM) {
        ++ignored_rom_writes_;
        return;
    }
    const std::size_t n = kind_[address] - DEVICE;
    devices_[n]->write(static_cast<std::uint16_t>(address - device_base_[n]), value);
}

void Memory::mark_rom(std::uint16_t first, std::uint16_t last) {
    for (unsigned a = first; a <= last; ++a) {
        if (kind_[a] == RAM) {
            kind_[a] = ROM;
        }
    }
}

void Memory::map_device(std::uint16_t first, std::uint16_t last, Device& device) {
    // The kind of an address is one byte: 2 + the device's number.
    if (devices_.size() >= 0xFF - DEVICE) {
        throw std::length_error("too many devices mapped");
    }
    const auto kind = static_cast<std::uint8_t>(DEVICE + devices_.size());
    devices_.push_back(&device);
    device_base_.push_back(first);
    for (unsigned a = first; a <= last; ++a) {
        kind_[a] = kind;
        for (unsigned back = 0; back < FETCH_WINDOW; ++back) {
            fetches_plain_[(a - back) & 0xFFFF] = false;
        }
    }
}

void Memory::poll_devices(std::uint64_t cycles) {
    for (Device* device : devices_) {
        device->poll(cycles);
    }
}

bool Memory::device_can_wake() const {
    for (const Device* device : devices_) {
        if (device->can_wake()) {
            return true;
        }
    }
    return false;
}

}  // namespace sim
