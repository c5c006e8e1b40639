#include "scenario/timeline.h"

#include <vector>

void Timeline::fire_due(uint64_t now_us) {
    std::vector<std::function<void()>> due;
    for (auto e = events_.begin(); e != events_.end() && e->first <= now_us;) {
        due.push_back(std::move(e->second));
        e = events_.erase(e);
    }
    for (const auto &event : due) {
        event();
    }
}
