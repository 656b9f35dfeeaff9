// Timers of the core on the Qt event loop of the main thread.
#pragma once

#include "timing/Scheduler.h"

namespace caniparc::ui {

class QtScheduler final : public Scheduler {
public:
    std::unique_ptr<Timer> CreateTimer(Mode mode, std::function<void()> onTimeout) override;
};

} // namespace caniparc::ui
