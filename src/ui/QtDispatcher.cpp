// The hand-over on the Qt event loop (see QtDispatcher.h).
#include "QtDispatcher.h"

#include <QThread>

namespace caniparc::ui {

QtDispatcher::QtDispatcher(QObject* parent)
    : QObject(parent), queue_([this] {
          // A queued call to a destroyed receiver is dropped by Qt, never run.
          QMetaObject::invokeMethod(
              this, [this] { queue_.ServePending(std::chrono::milliseconds(0)); }, Qt::QueuedConnection);
      }) {}

void QtDispatcher::Handover(std::function<void()> work) {
    if (QThread::currentThread() == thread()) {
        work(); // already on the main thread: waiting for ourselves would never end
        return;
    }
    queue_.Handover(std::move(work));
}

bool QtDispatcher::ServePending(std::chrono::milliseconds maxWait) {
    return queue_.ServePending(maxWait);
}

} // namespace caniparc::ui
