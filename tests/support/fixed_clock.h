// SPDX-License-Identifier: MIT
// A clock the tests set by hand.
#pragma once

#include "platform/clock.h"

namespace qs {

class FixedClock : public Clock {
public:
    FixedClock(int32_t today, int32_t now) : today_(today), now_(now) {}
    int32_t today() const override { return today_; }
    int32_t now() const override { return now_; }
    void set(int32_t today, int32_t now) {
        today_ = today;
        now_ = now;
    }

private:
    int32_t today_;
    int32_t now_;
};

}  // namespace qs
