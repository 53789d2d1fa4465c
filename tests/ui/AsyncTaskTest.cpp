#include "platform/ui/AsyncTask.h"
#include "platform/DetachedTask.h"

#include <QCoreApplication>
#include <QTest>

#include <chrono>
#include <future>
#include <memory>
#include <thread>
#include <vector>

namespace {

// A result that tells on which thread its last copy went.
class Marker {
public:
    explicit Marker(std::promise<std::thread::id>& freed) : m_pFreed(&freed) { }
    ~Marker() { m_pFreed->set_value(std::this_thread::get_id()); }
    Marker(const Marker&) = delete;
    Marker& operator=(const Marker&) = delete;

private:
    std::promise<std::thread::id>* m_pFreed;
};

// Until every task's thread has ended, its result handed over, without
// running this thread's events: the delivery stays queued.
bool AwaitWorkers()
{
    return DetachedTask::AwaitAll(std::chrono::seconds(30));
}

bool FreedHere(std::future<std::thread::id>& freed)
{
    return freed.wait_for(std::chrono::seconds(0)) == std::future_status::ready &&
           freed.get() == std::this_thread::get_id();
}

} // namespace

// A result already on its way to the window's thread must still be dropped
// when its task no longer counts, and freed there rather than on a worker.
class AsyncTaskTest : public QObject {
    Q_OBJECT

private slots:
    void aTaskStoppedAfterItsResultWasPostedIsNotCalledBack()
    {
        QObject context;
        auto* task = new AsyncTask(&context);
        std::promise<std::thread::id> freed;
        std::future<std::thread::id> freedOn = freed.get_future();
        int calls = 0;
        task->Run([&freed](const std::stop_token&) { return std::make_shared<Marker>(freed); },
                  [&calls](const std::shared_ptr<Marker>&) { ++calls; });
        QVERIFY(AwaitWorkers());
        task->Stop();
        QVERIFY(FreedHere(freedOn));
        QCoreApplication::processEvents();
        QCOMPARE(calls, 0);
        QVERIFY(!task->IsRunning());
    }

    void aTaskSupersededAfterItsResultWasPostedIsNotCalledBack()
    {
        QObject context;
        auto* task = new AsyncTask(&context);
        std::promise<std::thread::id> freed;
        std::future<std::thread::id> freedOn = freed.get_future();
        std::vector<int> calls;
        task->Run([&freed](const std::stop_token&) { return std::make_shared<Marker>(freed); },
                  [&calls](const std::shared_ptr<Marker>&) { calls.push_back(1); });
        QVERIFY(AwaitWorkers());

        std::promise<void> release;
        task->Run(
            [gate = release.get_future().share()](const std::stop_token&) {
                gate.wait();
                return 2;
            },
            [&calls](int value) { calls.push_back(value); });
        QVERIFY(FreedHere(freedOn));
        QCoreApplication::processEvents();
        QVERIFY(calls.empty());
        QVERIFY(task->IsRunning());

        release.set_value();
        QTRY_COMPARE_WITH_TIMEOUT(calls, std::vector<int>{2}, 30000);
        QVERIFY(!task->IsRunning());
    }

    void aResultPostedToADeletedContextIsNotCalledBack()
    {
        auto context = std::make_unique<QObject>();
        auto* task = new AsyncTask(context.get());
        bool called = false;
        task->Run([](const std::stop_token&) { return 1; }, [&called](int) { called = true; });
        QVERIFY(AwaitWorkers());
        context.reset();
        QCoreApplication::processEvents();
        QVERIFY(!called);
    }
};

QTEST_GUILESS_MAIN(AsyncTaskTest)
#include "AsyncTaskTest.moc"
