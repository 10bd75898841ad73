// The ACIA as the program sees it through memory: status bits, received
// bytes, the IRQ line, master reset, and how it ends a run after its input.

#include <sstream>

#include <gtest/gtest.h>

#include "sim/memory.h"
#include "x09run/acia.h"

namespace {

using x09run::Acia;

constexpr std::uint16_t STATUS = 0xE000, DATA = 0xE001;

struct Port {
    std::istringstream in;
    std::ostringstream out;
    x09run::StreamInput input{in};
    sim::Memory memory;
    Acia acia{memory, input, out};

    explicit Port(const std::string& text) : in(text) { memory.map_device(STATUS, DATA, acia); }
};

TEST(Acia, ReceivesTransmitsAndRaisesIrq) {
    Port p("AB");
    p.memory.write(STATUS, 0x03);  // master reset: nothing received, no IRQ
    EXPECT_EQ(p.memory.read(STATUS), 0x02);
    p.memory.write(STATUS, 0x15);
    EXPECT_EQ(p.memory.read(STATUS), 0x03);  // a byte waits; ready to transmit
    EXPECT_FALSE(p.memory.lines.irq);
    EXPECT_EQ(p.memory.read(DATA), 'A');
    p.memory.write(STATUS, 0x95);  // receive interrupt enabled
    EXPECT_FALSE(p.memory.lines.irq) << "no byte was looked for yet";
    p.memory.poll_devices(100);
    EXPECT_TRUE(p.memory.lines.irq);
    EXPECT_EQ(p.memory.read(STATUS), 0x83);
    EXPECT_EQ(p.memory.read(DATA), 'B');
    EXPECT_FALSE(p.memory.lines.irq);
    EXPECT_TRUE(p.acia.can_wake());
    p.memory.poll_devices(200);  // the input has ended
    EXPECT_FALSE(p.acia.can_wake());
    EXPECT_TRUE(p.acia.waits_for_ended_input());

    p.memory.write(STATUS, 0x35);  // transmit interrupt enabled: the transmitter is always empty
    EXPECT_TRUE(p.memory.lines.irq);
    p.memory.write(STATUS, 0x03);
    EXPECT_FALSE(p.memory.lines.irq);
    p.memory.write(DATA, 'x');
    p.acia.flush();
    EXPECT_EQ(p.out.str(), "x");
}

TEST(Acia, MasterResetDropsTheByteReceived) {
    Port p("AB");
    p.memory.write(STATUS, 0x15);
    EXPECT_EQ(p.memory.read(STATUS) & 0x01, 0x01);
    p.memory.write(STATUS, 0x03);
    p.memory.write(STATUS, 0x15);
    EXPECT_EQ(p.memory.read(DATA), 'A') << "the data register keeps its last byte";
    EXPECT_EQ(p.memory.read(STATUS) & 0x01, 0x01);
    EXPECT_EQ(p.memory.read(DATA), 'B');
}

TEST(Acia, PollingAfterTheInputEndedStopsTheRun) {
    Port p("A");
    p.memory.write(STATUS, 0x15);
    EXPECT_EQ(p.memory.read(STATUS) & 0x01, 0x01);
    EXPECT_EQ(p.memory.read(DATA), 'A');
    const auto poll_status = [&](unsigned times) {
        for (unsigned i = 0; i < times; ++i) p.memory.read(STATUS);
    };
    poll_status(Acia::IDLE_STATUS_READS - 1);
    EXPECT_FALSE(p.memory.stop_requested);
    p.memory.write(DATA, '.');  // the program still works: the count starts again
    poll_status(Acia::IDLE_STATUS_READS - 1);
    EXPECT_FALSE(p.memory.stop_requested);
    poll_status(1);
    EXPECT_TRUE(p.memory.stop_requested);
    EXPECT_EQ(p.acia.stop(), Acia::Stop::end_of_input);
}

TEST(Acia, OutputThatCannotBeWrittenStopsTheRun) {
    Port p("");
    p.out.setstate(std::ios::badbit);  // as a closed pipe leaves standard output
    p.memory.write(DATA, 'x');
    EXPECT_TRUE(p.memory.stop_requested);
    EXPECT_EQ(p.acia.stop(), Acia::Stop::output_lost);
}

// Keys typed on a terminal, known at once.
struct Keys final : x09run::ByteInput {
    const char* keys = "";
    int next() override { return ready(); }
    int ready() override {
        if (*keys == '\0') return NONE;
        const char key = *keys++;
        return key == 'Q' ? QUIT : key;
    }
};

TEST(Acia, KeysTypedBeforeTheProgramLooksAreKeptAndTheQuitKeyActsAtOnce) {
    Keys keys;
    keys.keys = "ok";
    std::ostringstream out;
    sim::Memory memory;
    Acia acia(memory, keys, out);
    memory.map_device(STATUS, DATA, acia);
    memory.poll_devices(100);  // the program does not look: the keys are kept
    EXPECT_STREQ(keys.keys, "");
    EXPECT_EQ(memory.read(STATUS) & 0x01, 0x01);
    EXPECT_EQ(memory.read(DATA), 'o');
    keys.keys = "Q";
    memory.poll_devices(200);
    EXPECT_TRUE(memory.stop_requested);
    EXPECT_EQ(acia.stop(), Acia::Stop::quit);
}

}  // namespace
