// What the barrier routing needs of the run clock: the start and finish entry points, whether
// the start command is available, and the three barrier lock flags.
#pragma once

#include <cstdint>

namespace caniparc {

enum class Barrier { Start, Finish1, Finish2 };

class RunCommands {
public:
    virtual ~RunCommands() = default;

    virtual bool StartEnabled() const = 0;
    // The start command as the start barrier gives it; `stamp` is the counter value at the
    // moment the contact was seen. Does nothing unless the start command is enabled.
    virtual void StartCommand(std::int64_t stamp) = 0;
    // A finish contact on lane 0 or 1 seen at counter value `stamp`.
    virtual void LaneFinishContact(int lane, std::int64_t stamp) = 0;

    virtual bool BarrierFree(Barrier barrier) const = 0;
    // F10, F11, F12: flip one lock flag.
    virtual void ToggleBarrier(Barrier barrier) = 0;
};

} // namespace caniparc
