// The simulated GPIO, timer and interrupt controller: only their registers answer,
// direct accesses fault, and a playback between the masks becomes victory.wav.
#include "board/sim_platform.h"
#include "devices/buzzer_sound.h"
#include "devices/soc_playback.h"
#include "devices/soc_regs.h"
#include "options.h"
#include "scenes/puzzle/buzzer_internal.h"
#include "support/platform_guard.h"

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sys/mman.h>

namespace {

volatile uint32_t *block(off_t phys) {
    return static_cast<volatile uint32_t *>(soc_map(phys, 1024));
}
volatile uint32_t *reg(off_t phys, uint32_t offset) {
    return block(phys) + offset / 4;
}

class SocRegs : public ::testing::Test {
  protected:
    void SetUp() override {
        options.headless = true;
        options.out_dir = std::string(IPSLIDE_TEST_OUTPUT) + "/sim/soc_regs";
        std::filesystem::remove_all(options.out_dir);
        std::filesystem::create_directories(options.out_dir);
        soc_init(options);
    }
    SimOptions options;
};

TEST_F(SocRegs, OnlyTheThreeBlocksMapAndOnlyTheirFirstKilobyteIsOwned) {
    volatile uint32_t *gpio = block(0x56000000);
    volatile uint32_t *timer = block(0x51000000);
    volatile uint32_t *intc = block(0x4A000000);
    ASSERT_NE(gpio, nullptr);
    ASSERT_NE(timer, nullptr);
    ASSERT_NE(intc, nullptr);
    EXPECT_NE(gpio, timer);
    EXPECT_NE(timer, intc);
    testing::internal::CaptureStderr();
    EXPECT_EQ(soc_map(0x56000000, 4096), nullptr);
    EXPECT_EQ(soc_map(0x56001000, 1024), nullptr);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("no 1024-byte block at 0x56001000"),
              std::string::npos);
    EXPECT_TRUE(soc_owns(gpio));
    EXPECT_TRUE(soc_owns(intc + 255));
    EXPECT_FALSE(soc_owns(intc + 256));
    EXPECT_FALSE(soc_owns(&options));
}

TEST_F(SocRegs, DirectAccessesFault) {
    volatile uint32_t *gpbdat = reg(0x56000000, 0x14);
    EXPECT_DEATH((void)*gpbdat, "");
}

TEST_F(SocRegs, RegistersStartAsARunningKernelLeftThemAndKeepWhatIsWritten) {
    EXPECT_EQ(soc_read32(reg(0x4A000000, 0x08)), 0xFEFFFF7Fu);
    EXPECT_EQ(soc_read32(reg(0x4A000000, 0x1C)), 0x7FEu);
    EXPECT_EQ(soc_read32(reg(0x51000000, 0x08)) & 0xFu, 0x9u); // timer 0 running
    EXPECT_EQ(soc_read32(reg(0x56000000, 0x10)) & 3u, 0u);     // GPB0 an input
    soc_write32(reg(0x56000000, 0x10), 0x12345679);
    EXPECT_EQ(soc_read32(reg(0x56000000, 0x10)), 0x12345679u);
}

TEST_F(SocRegs, UnmodelledOffsetsAreRefusedLoudly) {
    EXPECT_DEATH(soc_read32(reg(0x56000000, 0x00)), "offset 0x00 of the GPIO block");
    EXPECT_DEATH(soc_write32(reg(0x51000000, 0x0C), 1), "offset 0x0C of the PWM timer block");
    auto misaligned = reinterpret_cast<volatile uint32_t *>(
        reinterpret_cast<volatile uint8_t *>(reg(0x4A000000, 0x08)) + 2);
    EXPECT_DEATH(soc_read32(misaligned), "offset 0x0A of the interrupt controller block");
}

TEST_F(SocRegs, TheBuzzerCodeOnTheSimulatedBoardIsCapturedBitForBit) {
    PlatformGuard guard;
    platform = sim_platform();
    soc_write32(reg(0x56000000, 0x14), 1); // not masked: no sample
    soc_write32(reg(0x56000000, 0x14), 0x560);
    const uint8_t sample[] = {0x01, 0x80};
    buzzer_play_sample(sample, sizeof sample);
    SocPlayback playback;
    ASSERT_TRUE(soc_take_playback(&playback));
    EXPECT_EQ(playback.bits,
              (std::vector<uint8_t>{1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}));
    EXPECT_EQ(playback.intmsk_before, 0xFEFFFF7Fu);
    EXPECT_EQ(playback.intmsk_after, 0xFEFFFF7Fu);
    EXPECT_EQ(playback.intsubmsk_before, 0x7FEu);
    EXPECT_EQ(playback.intsubmsk_after, 0x7FEu);
    EXPECT_FALSE(soc_take_playback(&playback)); // taken once
    EXPECT_EQ(soc_read32(reg(0x56000000, 0x10)) & 3u, 1u);
    EXPECT_EQ(soc_read32(reg(0x51000000, 0x08)) & 0xFu, 0u);
    EXPECT_EQ(soc_read32(reg(0x56000000, 0x14)), 0x560u);
    // The buzzer released its mappings, yet the window is still reserved (nothing else
    // can be placed there) and the next victory maps and plays again.
    void *window = const_cast<uint32_t *>(reg(0x56000000, 0));
    EXPECT_EQ(
        mmap(window, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0),
        MAP_FAILED);
    EXPECT_EQ(errno, EEXIST);
    const uint8_t again[] = {0x02};
    buzzer_play_sample(again, sizeof again);
    ASSERT_TRUE(soc_take_playback(&playback));
    EXPECT_EQ(playback.bits, (std::vector<uint8_t>{0, 1, 0, 0, 0, 0, 0, 0}));
}

TEST_F(SocRegs, MoreBitsThanTheCaptureHoldsAreRefused) {
    soc_write32(reg(0x4A000000, 0x08), 0xFFFFFFFF);
    soc_write32(reg(0x4A000000, 0x1C), 0xFFFF);
    for (uint32_t i = 0; i < SOC_CAPTURE_MAX_BITS; ++i) {
        soc_write32(reg(0x56000000, 0x14), i & 1);
    }
    EXPECT_DEATH(soc_write32(reg(0x56000000, 0x14), 1), "buzzer capture full");
}

std::vector<uint8_t> read_file(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t le(const std::vector<uint8_t> &b, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        v = v << 8 | b[at + static_cast<size_t>(i)];
    }
    return v;
}

// Writes the registers as a playback would, ending with the given masks.
void play_by_hand(const std::vector<int> &bits, uint32_t intmsk_end, uint32_t intsubmsk_end) {
    soc_write32(reg(0x4A000000, 0x08), 0xFFFFFFFF);
    soc_write32(reg(0x4A000000, 0x1C), 0xFFFF);
    for (int bit : bits) {
        soc_write32(reg(0x56000000, 0x14), 0x560u | static_cast<uint32_t>(bit));
    }
    soc_write32(reg(0x4A000000, 0x08), intmsk_end);
    soc_write32(reg(0x4A000000, 0x1C), intsubmsk_end);
}

TEST_F(SocRegs, AFinishedPlaybackBecomesAMonoSixteenBitWav) {
    play_by_hand({1, 1, 0, 1, 0}, 0xFEFFFF7F, 0x7FE); // the last store ends the fourth bit
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    buzzer_poll_playback(options);
    buzzer_poll_playback(options); // nothing new: nothing printed
    std::string wav = options.out_dir + "/victory.wav";
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "ipslide-sim: victory sound captured: 4 bits -> " + wav + "\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    std::vector<uint8_t> b = read_file(wav);
    ASSERT_EQ(b.size(), 44u + 8u);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF");
    EXPECT_EQ(le(b, 4, 4), 36u + 8u);
    EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(le(b, 20, 2), 1u);     // PCM
    EXPECT_EQ(le(b, 22, 2), 1u);     // mono
    EXPECT_EQ(le(b, 24, 4), 16667u); // the sample's nominal bit rate
    EXPECT_EQ(le(b, 28, 4), 33334u); // bytes per second
    EXPECT_EQ(le(b, 34, 2), 16u);    // bits per sample
    EXPECT_EQ(std::string(b.begin() + 36, b.begin() + 40), "data");
    EXPECT_EQ(le(b, 40, 4), 8u);
    const int16_t want[] = {8192, 8192, -8192, 8192};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(static_cast<int16_t>(le(b, 44 + 2 * i, 2)), want[i]) << i;
    }
}

TEST_F(SocRegs, MasksLeftDifferentFromBeforeAreReportedLoudly) {
    play_by_hand({1, 0}, 0xFFFFFFFE, 0x7FF);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    buzzer_poll_playback(options);
    testing::internal::GetCapturedStdout();
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("INTMSK is 0xFFFFFFFE after the buzzer playback, 0xFEFFFF7F before"),
              std::string::npos)
        << err;
    EXPECT_NE(err.find("INTSUBMSK is 0x000007FF after the buzzer playback, 0x000007FE before"),
              std::string::npos)
        << err;
}

TEST_F(SocRegs, APinThatIsNoOutputIsReported) {
    testing::internal::CaptureStderr();
    play_by_hand({1}, 0xFEFFFF7F, 0x7FE);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("GPB0 is not configured as an output"), std::string::npos) << err;
    EXPECT_NE(err.find("timer 0 still runs"), std::string::npos) << err;
}

} // namespace

// In the window the capture also goes to the sound card, or says once that there is
// none.
class SocSound : public SocRegs {
  protected:
    static void play_twice(SimOptions options) {
        options.headless = false;
        freopen("/dev/null", "w", stdout);
        soc_write32(reg(0x56000000, 0x10), 0x155555); // GPB0 an output
        soc_write32(reg(0x51000000, 0x08), 0);        // timer 0 stopped
        for (int i = 0; i < 2; ++i) {
            play_by_hand({1, 0, 1, 0}, 0xFEFFFF7F, 0x7FE);
            buzzer_poll_playback(options);
        }
        exit(0);
    }
};

TEST_F(SocSound, WithoutASoundCardItSaysSoOnce) {
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    EXPECT_EXIT(play_twice(options), testing::ExitedWithCode(0),
                "^ipslide-sim: no audio device \\([^\n]*\\); the fanfare is only in the WAV\n$");
}

TEST_F(SocSound, ASoundCardGetsTheCaptureQuietly) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    EXPECT_EXIT(play_twice(options), testing::ExitedWithCode(0), "^$");
}
