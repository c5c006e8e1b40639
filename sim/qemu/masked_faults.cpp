#include "qemu/masked_faults.h"

#include "qemu/guest_agent.h"
#include "qemu/guest_memory.h"
#include "scenes/puzzle/buzzer_internal.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

namespace {

constexpr uint32_t INTMSK_ALL = 0xFFFFFFFF;
constexpr auto POLL = std::chrono::microseconds(200);

enum Stage { IDLE, BEFORE_MASK, MASKED, DONE, FAILED };

std::atomic<Stage> stage{IDLE};
std::atomic<bool> stopping{false};
std::mutex result_lock;
MaskedFaults before, after; // under result_lock
std::string failure;        // under result_lock
std::thread watcher;

uint32_t intmsk() {
    return guest_memory_word(static_cast<uint64_t>(INTC_PHYS) + INTMSK_OFFSET);
}

bool read_counters(MaskedFaults *faults) {
    std::vector<std::string> words;
    std::string why;
    if (!guest_agent_value("faults", &words, &why) || words.size() != 2) {
        std::lock_guard<std::mutex> hold(result_lock);
        failure = "the agent gave no fault counts: " + why;
        return false;
    }
    faults->minor = std::stoul(words[0]);
    faults->major = std::stoul(words[1]);
    return true;
}

// Waits for INTMSK to become (or stop being) the mask-all value, then reads the
// counters; a watch that has been told to stop gives up.
bool reading_when(bool masked, MaskedFaults *faults) {
    while ((intmsk() == INTMSK_ALL) != masked) {
        if (stopping.load()) {
            return false;
        }
        std::this_thread::sleep_for(POLL);
    }
    MaskedFaults read;
    bool ok = read_counters(&read);
    std::lock_guard<std::mutex> hold(result_lock);
    *faults = read;
    return ok;
}

void watch() {
    if (!reading_when(true, &before)) {
        stage = FAILED;
        return;
    }
    stage = MASKED;
    stage = reading_when(false, &after) ? DONE : FAILED;
}

} // namespace

bool masked_faults_watch(std::string *error) {
    if (intmsk() == INTMSK_ALL) {
        *error = "every interrupt is masked already";
        return false;
    }
    masked_faults_stop();
    stage = BEFORE_MASK;
    watcher = std::thread(watch);
    return true;
}

bool masked_faults_pending() {
    return stage.load() == BEFORE_MASK || stage.load() == MASKED;
}

bool masked_faults_result(MaskedFaults *faults, std::string *error) {
    std::lock_guard<std::mutex> hold(result_lock);
    if (stage.load() != DONE) {
        *error = failure.empty() ? "not watching a playback" : failure;
        return false;
    }
    faults->minor = after.minor - before.minor;
    faults->major = after.major - before.major;
    return true;
}

void masked_faults_stop() {
    stopping = true;
    if (watcher.joinable()) {
        watcher.join();
    }
    stopping = false;
    stage = IDLE;
}
