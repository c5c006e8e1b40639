// What the scenario player does later without a thread of its own: a tap's
// release 50 ms after the press, a recording's next frame. The player fires the
// events that are due whenever it waits, so none races the running command and
// none runs after the scenario ended and the board was shut down.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

class Timeline {
  public:
    // Runs `event` once the player waits at or after due_us (monotonic microseconds).
    void at(uint64_t due_us, std::function<void()> event) { events_.emplace(due_us, event); }
    // Runs the events due by now_us, earliest first; one added meanwhile waits
    // for the next call.
    void fire_due(uint64_t now_us) {
        std::vector<std::function<void()>> due;
        for (auto e = events_.begin(); e != events_.end() && e->first <= now_us;) {
            due.push_back(std::move(e->second));
            e = events_.erase(e);
        }
        for (const auto &event : due) {
            event();
        }
    }

  private:
    std::multimap<uint64_t, std::function<void()>> events_;
};
