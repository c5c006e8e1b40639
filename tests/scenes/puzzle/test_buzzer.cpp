// The buzzer: the exact register sequence of a playback, the bit order, the pin's
// neighbours left alone, and each set-up failure ending the process before any
// register is touched.
#include "assets/victory_sample.h"
#include "puzzle_support.h"
#include "scenes/puzzle/buzzer_internal.h"
#include "support/platform_guard.h"

#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>

namespace {

using namespace test_board;

struct Registers {
    uint32_t gpbcon, gpbdat, tcon, intmsk, intsubmsk;
};

void PrintTo(const Registers &r, std::ostream *os) {
    char text[96];
    snprintf(text, sizeof text, "GPBCON %08X GPBDAT %08X TCON %08X INTMSK %08X INTSUBMSK %08X",
             r.gpbcon, r.gpbdat, r.tcon, r.intmsk, r.intsubmsk);
    *os << text;
}

// Named for what each set of registers tests: port B's pin 1 and data bit 0.
std::string registers_name(const testing::TestParamInfo<Registers> &info) {
    const Registers &r = info.param;
    return std::string(r.gpbcon & 2 ? "gpb1_set" : "gpb1_clear") +
           (r.gpbdat & 1 ? "_gpb0_high" : "_gpb0_low");
}

class BuzzerTest : public ::testing::TestWithParam<Registers> {
  protected:
    void SetUp() override { install(); }
    void install() {
        soc_install();
        const Registers &r = GetParam();
        soc.regs[GPIO][GPBCON_OFFSET / 4] = r.gpbcon;
        soc.regs[GPIO][GPBDAT_OFFSET / 4] = r.gpbdat;
        soc.regs[TIMER][TCON_OFFSET / 4] = r.tcon;
        soc.regs[INTC][INTMSK_OFFSET / 4] = r.intmsk;
        soc.regs[INTC][INTSUBMSK_OFFSET / 4] = r.intsubmsk;
    }
    PlatformGuard guard;
};

RegAccess read(Block b, uint32_t offset, uint32_t value) {
    return {false, b, offset, value};
}
RegAccess write(Block b, uint32_t offset, uint32_t value) {
    return {true, b, offset, value};
}

// Every access of a playback, in order, derived from the registers' values before it.
std::vector<RegAccess> expected_playback(const Registers &r, const std::vector<int> &bits) {
    uint32_t low = r.gpbdat & ~1u;
    std::vector<RegAccess> log = {
        read(INTC, 0x08, r.intmsk),    read(INTC, 0x1C, r.intsubmsk),
        write(INTC, 0x08, 0xFFFFFFFF), write(INTC, 0x1C, 0xFFFF),
        read(TIMER, 0x08, r.tcon),     write(TIMER, 0x08, r.tcon & ~0xFu),
        read(GPIO, 0x10, r.gpbcon),    write(GPIO, 0x10, r.gpbcon | 1u),
        read(GPIO, 0x14, r.gpbdat),
    };
    for (int bit : bits) {
        log.push_back(write(GPIO, 0x14, low | static_cast<uint32_t>(bit)));
    }
    log.push_back(write(GPIO, 0x14, low));
    log.push_back(write(INTC, 0x08, r.intmsk));
    log.push_back(write(INTC, 0x1C, r.intsubmsk));
    return log;
}

TEST_P(BuzzerTest, PlaysEachByteLeastSignificantBitFirstBetweenMaskAndRestore) {
    const uint8_t sample[] = {0x01, 0x80, 0xA5};
    buzzer_play_sample(sample, sizeof sample);
    std::vector<int> bits = {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                             0, 0, 0, 1, 1, 0, 1, 0, 0, 1, 0, 1};
    std::vector<RegAccess> want = expected_playback(GetParam(), bits);
    ASSERT_EQ(soc.log.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(soc.log[i], want[i])
            << "access " << i << ": wrote " << soc.log[i].write << " offset " << soc.log[i].offset
            << " value " << std::hex << soc.log[i].value;
    }
    EXPECT_EQ(soc.regs[GPIO][0x14 / 4] & 1u, 0u);
    EXPECT_EQ(soc.regs[INTC][0x08 / 4], GetParam().intmsk);
    EXPECT_EQ(soc.regs[INTC][0x1C / 4], GetParam().intsubmsk);
    EXPECT_EQ(gpb_shadow, GetParam().gpbdat & ~1u);
    // The board's model heard one playback: every store between the masks a sample
    // bit (the closing one too), the masks as found before and as written back after.
    EXPECT_EQ(soc.sample_bits, bits.size() + 1);
    EXPECT_EQ(soc.captures, 1u);
    EXPECT_EQ(soc.intmsk_before, GetParam().intmsk);
    EXPECT_EQ(soc.intsubmsk_before, GetParam().intsubmsk);
    EXPECT_EQ(soc.intmsk_after, GetParam().intmsk);
    EXPECT_EQ(soc.intsubmsk_after, GetParam().intsubmsk);
}

TEST_P(BuzzerTest, OpensDevMemAndMapsTheThreeBlocksInOrder) {
    const uint8_t sample[] = {0xFF};
    buzzer_play_sample(sample, sizeof sample);
    EXPECT_EQ(soc.opens, 1);
    EXPECT_EQ(soc.open_flags, 0x1002);
    EXPECT_EQ(soc.mmap_offsets, (std::vector<off_t>{0x56000000, 0x51000000, 0x4A000000}));
    EXPECT_EQ(soc.mmap_lengths, (std::vector<size_t>{1024, 1024, 1024}));
    EXPECT_EQ(soc.mmap_prot, PROT_READ | PROT_WRITE);
    EXPECT_EQ(soc.mmap_flags, MAP_SHARED);
    EXPECT_EQ(soc.mmap_fd, MEM_FD);
    EXPECT_EQ(soc.closes, 1);
}

TEST_P(BuzzerTest, ReleasesTheThreeMappingsAfterTheLastRegisterAccess) {
    const uint8_t sample[] = {0x5A};
    buzzer_play_sample(sample, sizeof sample);
    size_t done = soc.log.size();
    using Unmap = Soc::Unmap;
    EXPECT_EQ(soc.unmaps,
              (std::vector<Unmap>{{GPIO, 1024, done}, {TIMER, 1024, done}, {INTC, 1024, done}}));
}

// Pinned from before the first register access (so before the mask) until after the
// last (the restore); a refused lock changes nothing audible and unlocks nothing.
TEST_P(BuzzerTest, PagesArePinnedAcrossTheMaskedPlaybackAndARefusedLockStillPlays) {
    const uint8_t sample[] = {0x5A, 0x01};
    buzzer_play_sample(sample, sizeof sample);
    EXPECT_EQ(soc.lock_flags, MCL_CURRENT);
    EXPECT_EQ(soc.locked_after, 0);
    EXPECT_EQ(soc.unlocked_after, static_cast<long>(soc.log.size()));
    std::vector<RegAccess> locked_log = soc.log;

    install();
    soc.lock_error = ENOMEM;
    buzzer_play_sample(sample, sizeof sample);
    EXPECT_EQ(soc.log, locked_log);
    EXPECT_EQ(soc.unlocked_after, -1);
}

TEST_P(BuzzerTest, EveryBitWaitsThreeThousandCountsBeforeTheNext) {
    const uint8_t sample[] = {0x3C, 0x00};
    buzzer_play_sample(sample, sizeof sample);
    // The first store finds the counter from before; each later one, a finished wait.
    ASSERT_EQ(soc.counter_at_gpbdat_write.size(), 17u);
    for (size_t i = 1; i < 17; ++i) {
        EXPECT_EQ(soc.counter_at_gpbdat_write[i], BIT_DELAY_LOOPS) << i;
    }
    EXPECT_EQ(BIT_DELAY_LOOPS, 3000);
}

// GPBCON with bit 1 set and clear, GPBDAT with bit 0 high and low, timer 0 running.
INSTANTIATE_TEST_SUITE_P(
    Registers, BuzzerTest,
    ::testing::Values(Registers{0x00044556, 0x000005A7, 0x00707A0F, 0xFEFFFF7F, 0x000007FE},
                      Registers{0x00155554, 0xFFFFFFFE, 0xFFFFFFFF, 0x00000000, 0x00000000}),
    registers_name);

// The real sample, with every access recorded; the next call opens and maps anew.
TEST(BuzzerSample, PlaysTheWholeVictorySampleInStoredOrderAndMapsAnewOnEveryCall) {
    PlatformGuard guard;
    soc_install();
    uint32_t low = soc.regs[GPIO][GPBDAT_OFFSET / 4] & ~1u;
    buzzer_play();
    ASSERT_EQ(soc.gpbdat_writes, VICTORY_SAMPLE_BYTES * 8u + 1);
    constexpr size_t SET_UP_ACCESSES = 9;
    size_t mismatches = 0;
    for (size_t i = 0; i < VICTORY_SAMPLE_BYTES * 8u; ++i) {
        uint32_t bit = (victory_sample[i / 8] >> (i % 8)) & 1u;
        mismatches += !(soc.log[SET_UP_ACCESSES + i] == write(GPIO, 0x14, low | bit));
    }
    EXPECT_EQ(mismatches, 0u);
    const uint8_t short_sample[] = {0x55};
    buzzer_play_sample(short_sample, sizeof short_sample);
    EXPECT_EQ(soc.opens, 2);
    EXPECT_EQ(soc.mmap_offsets.size(), 6u);
    EXPECT_EQ(soc.unmaps.size(), 6u);
    EXPECT_EQ(soc.gpbdat_writes, VICTORY_SAMPLE_BYTES * 8u + 1 + 9);
    EXPECT_EQ(soc.regs[INTC][0x08 / 4], 0xFEFFFF7Fu);
    EXPECT_EQ(soc.regs[INTC][0x1C / 4], 0x7FEu);
    EXPECT_EQ(soc.regs[GPIO][0x14 / 4], low);
}

} // namespace
