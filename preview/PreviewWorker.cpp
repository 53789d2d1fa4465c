#include "preview/PreviewWorker.h"

PreviewWorker::PreviewWorker(Decode decode, Deliver deliver)
    : m_pDecode(std::make_shared<const Decode>(std::move(decode))), m_deliver(std::move(deliver))
{ }

void PreviewWorker::Request(std::string path)
{
    auto image = std::make_shared<PreviewImage>();
    auto wanted = std::make_shared<const std::string>(std::move(path));
    m_task.Start(
        [decode = m_pDecode, wanted, image](const std::stop_token& stop) { *image = (*decode)(*wanted, stop); },
        // Only while this request is current, so the worker lives.
        [this, wanted, image] { m_deliver(*wanted, std::move(*image)); });
}

void PreviewWorker::Cancel()
{
    m_task.Stop();
}
