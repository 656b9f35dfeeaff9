// Timers of the core on the Qt event loop (see QtScheduler.h).
#include "QtScheduler.h"

#include <QTimer>

namespace caniparc::ui {
namespace {

class QtTimer final : public Timer {
public:
    QtTimer(Scheduler::Mode mode, std::function<void()> onTimeout) : callback_(std::move(onTimeout)) {
        timer_.setSingleShot(mode == Scheduler::Mode::SingleShot);
        // The lane clocks tick every 5 ms; a coarse timer would make the display stutter.
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] { callback_(); });
    }
    void Start(int intervalMs) override { timer_.start(intervalMs); }
    void Stop() override { timer_.stop(); }
    bool IsActive() const override { return timer_.isActive(); }

private:
    QTimer timer_;
    std::function<void()> callback_;
};

} // namespace

std::unique_ptr<Timer> QtScheduler::CreateTimer(Mode mode, std::function<void()> onTimeout) {
    return std::make_unique<QtTimer>(mode, std::move(onTimeout));
}

} // namespace caniparc::ui
