#include "preview/PreviewWorker.h"

PreviewWorker::PreviewWorker(Decode decode, Deliver deliver)
    : m_decode(std::move(decode)), m_deliver(std::move(deliver)), m_thread([this](std::stop_token stop) { Run(stop); })
{ }

PreviewWorker::~PreviewWorker()
{
    Cancel();
    m_thread.request_stop();
    m_thread.join();
}

void PreviewWorker::Request(std::string path)
{
    const std::lock_guard lock(m_mutex);
    m_current.request_stop();
    m_strPending = std::move(path);
    ++m_nGeneration;
    m_wake.notify_one();
}

void PreviewWorker::Cancel()
{
    const std::lock_guard lock(m_mutex);
    m_current.request_stop();
    m_strPending.reset();
    ++m_nGeneration;
}

void PreviewWorker::Run(std::stop_token stop)
{
    std::unique_lock lock(m_mutex);
    while (m_wake.wait(lock, stop, [this] { return m_strPending.has_value(); })) {
        const std::string path = std::move(*m_strPending);
        m_strPending.reset();
        const unsigned long generation = m_nGeneration;
        m_current = std::stop_source();
        const std::stop_token decodeStop = m_current.get_token();
        lock.unlock();
        PreviewImage image = m_decode(path, decodeStop);
        lock.lock();
        if (generation == m_nGeneration && !stop.stop_requested())
            m_deliver(path, std::move(image));
    }
}
