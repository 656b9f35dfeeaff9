// The hand-over on the Qt main thread: the work runs there while the worker waits, and closing
// a port with a hand-over pending finishes without the event loop running.
#include "QtDispatcher.h"

#include "FakeSerialBackend.h"
#include "serial/ComPort.h"
#include "timing/TimeSource.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QThread>

#include <atomic>
#include <thread>

using namespace caniparc;
using namespace std::chrono_literals;

class QtDispatcherTest : public QObject {
    Q_OBJECT
private slots:
    void handover_runsOnTheMainThread_whileTheWorkerWaits();
    void handoverFromTheMainThread_runsAtOnce();
    void closeWithAHandoverPending_finishesWithoutTheEventLoop();
};

void QtDispatcherTest::handover_runsOnTheMainThread_whileTheWorkerWaits() {
    ui::QtDispatcher dispatcher;
    std::atomic<bool> ran{false};
    std::atomic<bool> released{false};
    std::atomic<bool> releasedBeforeRun{false};
    QThread* ranOn = nullptr;
    std::thread worker([&] {
        dispatcher.Handover([&] {
            ranOn = QThread::currentThread();
            releasedBeforeRun = released.load();
            ran = true;
        });
        released = true;
    });
    QTRY_VERIFY_WITH_TIMEOUT(released.load(), 2000);
    worker.join();
    QVERIFY(ran.load());
    QCOMPARE(ranOn, QCoreApplication::instance()->thread());
    QVERIFY(!releasedBeforeRun.load());
}

void QtDispatcherTest::handoverFromTheMainThread_runsAtOnce() {
    ui::QtDispatcher dispatcher;
    bool ran = false;
    dispatcher.Handover([&] { ran = true; });
    QVERIFY(ran);
}

void QtDispatcherTest::closeWithAHandoverPending_finishesWithoutTheEventLoop() {
    ui::QtDispatcher dispatcher;
    testing::FakeSerialBackend backend;
    const auto time = MakeSystemTimeSource();
    ComPort port(backend, dispatcher, *time);
    int handled = 0;
    port.OnCTS = [&](const LineChange&) { ++handled; };
    port.Port = 1;
    port.Open();
    QVERIFY(backend.WaitUntilWaiting(1000ms));
    backend.SetLevels(kLineCts);
    std::this_thread::sleep_for(50ms); // the worker wakes and waits in the hand-over
    QCOMPARE(handled, 0);              // which the event loop, not running, has not served
    QElapsedTimer elapsed;
    elapsed.start();
    port.Close(); // no event loop runs here: Close has to serve the pending hand-over itself
    QVERIFY(elapsed.elapsed() < 1000);
    QCOMPARE(handled, 1);
    QVERIFY(!backend.IsOpen());
}

QTEST_GUILESS_MAIN(QtDispatcherTest)
#include "QtDispatcherTest.moc"
