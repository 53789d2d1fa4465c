#include "preview/PreviewWorker.h"
#include "platform/DetachedTask.h"
#include "preview/ClipFrameDecoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

// Records what the worker decodes and delivers, from its thread. A path that
// starts with "slow" decodes until it is stopped.
class Recorder {
public:
    PreviewImage Decode(const std::string& path, const std::stop_token& stop)
    {
        std::unique_lock lock(m_mutex);
        m_aDecoded.push_back(path);
        m_changed.notify_all();
        if (path.starts_with("slow"))
            m_changed.wait(lock, stop, [] { return false; });
        return PreviewImage{1, 1, {0xff000000u}};
    }
    void Deliver(const std::string& path, const PreviewImage&)
    {
        const std::lock_guard lock(m_mutex);
        m_aDelivered.push_back(path);
        m_changed.notify_all();
    }
    // Waits until what has been decoded and delivered satisfies done.
    bool WaitFor(
        std::function<bool(const std::vector<std::string>& decoded, const std::vector<std::string>& delivered)> done)
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, 10s, [&] { return done(m_aDecoded, m_aDelivered); });
    }
    std::vector<std::string> Decoded()
    {
        const std::lock_guard lock(m_mutex);
        return m_aDecoded;
    }
    std::vector<std::string> Delivered()
    {
        const std::lock_guard lock(m_mutex);
        return m_aDelivered;
    }

private:
    std::mutex m_mutex;
    std::condition_variable_any m_changed;
    std::vector<std::string> m_aDecoded;
    std::vector<std::string> m_aDelivered;
};

PreviewWorker MakeWorker(Recorder& recorder)
{
    return PreviewWorker(
        [&recorder](const std::string& path, const std::stop_token& stop) { return recorder.Decode(path, stop); },
        [&recorder](const std::string& path, const PreviewImage& image) { recorder.Deliver(path, image); });
}

bool Started(const std::vector<std::string>& decoded, const std::string& path)
{
    return std::ranges::find(decoded, path) != decoded.end();
}

} // namespace

TEST(PreviewWorkerTest, OnlyTheLatestRequestIsDeliveredAndAbandonedDecodesStop)
{
    Recorder recorder;
    {
        PreviewWorker worker = MakeWorker(recorder);
        // A slow decode is stopped by the next request, which a third one
        // replaces, whether or not it had started.
        worker.Request("slow-1");
        ASSERT_TRUE(recorder.WaitFor([](auto& decoded, auto&) { return Started(decoded, "slow-1"); }));
        worker.Request("slow-2");
        worker.Request("3");
        ASSERT_TRUE(recorder.WaitFor([](auto&, auto& delivered) { return !delivered.empty(); }));
        // Each decode has a thread of its own: slow-2 may start after 3, or
        // not at all, but is never delivered.
        EXPECT_EQ(recorder.Delivered(), std::vector<std::string>{"3"});
        EXPECT_EQ(recorder.Decoded().front(), "slow-1");
        EXPECT_LE(recorder.Decoded().size(), 3u);

        // A cancel stops the decode and drops it; the worker goes on serving.
        worker.Request("slow-4");
        ASSERT_TRUE(recorder.WaitFor([](auto& decoded, auto&) { return Started(decoded, "slow-4"); }));
        worker.Cancel();
        worker.Request("5");
        ASSERT_TRUE(recorder.WaitFor([](auto&, auto& delivered) { return delivered.size() == 2; }));
        EXPECT_EQ(recorder.Delivered(), (std::vector<std::string>{"3", "5"}));

        // Going away in the middle of a decode stops it instead of waiting.
        worker.Request("slow-6");
        ASSERT_TRUE(recorder.WaitFor([](auto& decoded, auto&) { return Started(decoded, "slow-6"); }));
    }
    for (int i = 0; i < 10'000 && DetachedTask::LiveThreads() != 0; ++i)
        std::this_thread::sleep_for(1ms);
    EXPECT_EQ(DetachedTask::LiveThreads(), 0);
    EXPECT_EQ(recorder.Delivered().size(), 2u);
}

TEST(PreviewWorkerTest, DecodesRealClipsOneAfterAnother)
{
    const ClipFrameDecoder decoder;
    std::mutex mutex;
    std::condition_variable done;
    std::vector<std::pair<std::string, PreviewImage>> results;
    PreviewWorker worker([&decoder](const std::string& path,
                                    const std::stop_token& stop) { return decoder.DecodeFile(path, 64, 48, stop); },
                         [&](const std::string& path, const PreviewImage& image) {
                             const std::lock_guard lock(mutex);
                             results.emplace_back(path, image);
                             done.notify_all();
                         });
    const std::string data = CLIPSCOUT_TEST_DATA;
    for (const char* name : {"mjpeg.avi", "clip-trailer.asf", "audio-only.avi"}) {
        worker.Request(data + "/" + name);
        std::unique_lock lock(mutex);
        ASSERT_TRUE(done.wait_for(lock, 10s, [&] { return !results.empty() && results.back().first.ends_with(name); }))
            << name;
    }
    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(results[0].second.nWidth, 64);
    EXPECT_EQ(results[1].second.nHeight, 48);
    EXPECT_TRUE(results[2].second.IsNull());
}
