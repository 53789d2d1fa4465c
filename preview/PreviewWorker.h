#pragma once

#include "preview/PreviewImage.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>

// Decodes previews on a thread of its own, one at a time, so that the
// window's thread never waits for the disk. Only the latest request counts:
// a new one replaces a request that has not started and stops the decode in
// progress, whose result is then dropped.
class PreviewWorker {
public:
    using Decode = std::function<PreviewImage(const std::string& path, std::stop_token stop)>;
    // Called on the worker's thread, with no other request made in between:
    // once Request or Cancel has returned, an earlier result is never delivered.
    using Deliver = std::function<void(const std::string& path, PreviewImage image)>;

    PreviewWorker(Decode decode, Deliver deliver);
    // Stops the decode in progress and waits for the thread.
    ~PreviewWorker();
    PreviewWorker(const PreviewWorker&) = delete;
    PreviewWorker& operator=(const PreviewWorker&) = delete;

    void Request(std::string path);
    void Cancel();

private:
    void Run(std::stop_token stop);

    Decode m_decode;
    Deliver m_deliver;
    std::mutex m_mutex;
    std::condition_variable_any m_wake;
    std::optional<std::string> m_strPending;
    // Stops the decode in progress; replaced for each one.
    std::stop_source m_current;
    // Counts requests and cancels, so that a finished decode can tell
    // whether it is still wanted.
    unsigned long m_nGeneration = 0;
    std::jthread m_thread;
};
