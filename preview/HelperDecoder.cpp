#include "preview/HelperDecoder.h"

#include "platform/DiagnosticLog.h"
#include "platform/FileHandle.h"
#include "platform/ModulePath.h"
#include "platform/SystemErrorText.h"
#include "preview/HelperProcess.h"
#include "preview/HelperRequest.h"

#include <cerrno>
#include <cstdlib>
#ifndef _WIN32
#include <unistd.h>
#endif

std::string HelperDecoder::DefaultProgram()
{
    if (const char* named = std::getenv("CLIPSCOUT_PREVIEW_HELPER"); named && *named)
        return named;
    const std::string self = GetModuleFileName();
#ifdef _WIN32
    // The Windows program is unpacked as one folder, the helper in it.
    return self.substr(0, self.find_last_of("\\/") + 1) + "clipscout-preview-helper.exe";
#else
    const std::string folder = self.substr(0, self.rfind('/') + 1);
    std::string beside = folder + "clipscout-preview-helper";
    if (!self.empty() && ::access(beside.c_str(), X_OK) == 0)
        return beside;
    return folder + CLIPSCOUT_PREVIEW_HELPER_INSTALLED;
#endif
}

std::shared_ptr<const HelperDecoder> HelperDecoder::ForProgram()
{
    static std::mutex mutex;
    static std::weak_ptr<const HelperDecoder> current;
    const std::lock_guard lock(mutex);
    std::shared_ptr<const HelperDecoder> decoder = current.lock();
    if (!decoder) {
        decoder = std::make_shared<const HelperDecoder>();
        current = decoder;
    }
    return decoder;
}

HelperDecoder::HelperDecoder(std::string program) : m_strProgram(std::move(program))
{ }

HelperDecoder::~HelperDecoder() = default;

void HelperDecoder::Prepare() const
{
    const std::lock_guard lock(m_mutex);
    if (!m_spare || m_spare->HasExited())
        m_spare = HelperProcess::Start(m_strProgram);
}

int HelperDecoder::SparePid() const
{
    const std::lock_guard lock(m_mutex);
    return m_spare ? m_spare->Pid() : 0;
}

std::unique_ptr<HelperProcess> HelperDecoder::TakeHelper() const
{
    const std::lock_guard lock(m_mutex);
    std::unique_ptr<HelperProcess> helper = std::move(m_spare);
    if (!helper || helper->HasExited())
        helper = HelperProcess::Start(m_strProgram);
    return helper;
}

PreviewImage HelperDecoder::Decode(const std::string& path, int boxWidth, int boxHeight,
                                   const std::stop_token& stop) const
{
    const std::optional<HelperRequest::Kind> kind = HelperRequest::KindOf(path);
    if (!kind || boxWidth < 1 || boxHeight < 1 || stop.stop_requested())
        return {};
    using Topic = DiagnosticLog::Topic;
    FileHandle file;
    errno = 0;
    if (!file.Open(path)) {
        DiagnosticLog::Write(Topic::Preview, "no preview of " + path + ": " +
                                                 (errno != 0 ? SystemErrorText(errno) : "not a regular file"));
        return {};
    }
    const std::unique_ptr<HelperProcess> helper = TakeHelper();
    if (!helper) {
        DiagnosticLog::Write(Topic::Preview, "no preview of " + path + ": the decoding helper " + m_strProgram +
                                                 " could not be started");
        return {};
    }
    const HelperRequest request{*kind, std::min(boxWidth, HelperRequest::kMaxBox),
                                std::min(boxHeight, HelperRequest::kMaxBox)};
    std::string why;
    PreviewImage image = helper->Decode(file, request, HelperProcess::Clock::now() + kTimeout, stop,
                                        DiagnosticLog::IsOn(Topic::Preview) ? &why : nullptr);
    if (image.IsNull() && !why.empty())
        DiagnosticLog::Write(Topic::Preview, "no preview of " + path + ": " + why);
    // The next helper loads its libraries while the user looks at this
    // preview, not while this one decodes on the same cores.
    Prepare();
    return image;
}
