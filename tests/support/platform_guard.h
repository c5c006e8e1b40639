// Replace entries of the platform table for one test; the destructor puts the
// whole table back, so a test can never leak a fake into the next one.
#pragma once

#include "platform/platform.h"

class PlatformGuard {
  public:
    PlatformGuard() : saved_(platform) {}
    ~PlatformGuard() { platform = saved_; }
    PlatformGuard(const PlatformGuard &) = delete;
    PlatformGuard &operator=(const PlatformGuard &) = delete;

  private:
    Platform saved_;
};
