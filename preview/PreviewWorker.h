#pragma once

#include "platform/DetachedTask.h"
#include "preview/PreviewImage.h"

#include <functional>
#include <memory>
#include <stop_token>
#include <string>

// Decodes previews off the window's thread so that it never waits for the
// disk. Only the latest request counts: a new one stops the decode in
// progress, whose result is then dropped. Nothing waits for a stopped decode;
// it ends on its own (see DetachedTask).
class PreviewWorker {
public:
    // May run after the worker is gone: it must own what it uses.
    using Decode = std::function<PreviewImage(const std::string& path, const std::stop_token& stop)>;
    // Called on the decode's thread, with no other request made in between:
    // once Request or Cancel has returned, or the worker is gone, an earlier
    // result is never delivered.
    using Deliver = std::function<void(const std::string& path, PreviewImage image)>;

    PreviewWorker(Decode decode, Deliver deliver);
    PreviewWorker(const PreviewWorker&) = delete;
    PreviewWorker& operator=(const PreviewWorker&) = delete;

    void Request(std::string path);
    void Cancel();

private:
    std::shared_ptr<const Decode> m_pDecode;
    Deliver m_deliver;
    DetachedTask m_task; // last: stopped before the rest goes
};
