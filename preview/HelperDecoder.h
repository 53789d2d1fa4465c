#pragma once

#include "preview/PreviewImage.h"

#include <chrono>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>

class HelperProcess;

// Previews decoded in helper processes, one per preview, each confined and
// killed at its time limit (see clipscout-preview-helper). Starting a helper
// means loading FFmpeg's libraries, which takes longer than decoding a
// preview, so one helper is kept started ahead, waiting for the next preview.
// Decode may be called from several threads, never from the window's: it
// opens the file and waits for the helper.
class HelperDecoder {
public:
    static constexpr std::chrono::milliseconds kTimeout{2000};

    // The helper beside the running program (a build tree, and always on
    // Windows), else the one installed with it (../libexec/clipscout/ from the
    // program's folder); CLIPSCOUT_PREVIEW_HELPER names another.
    static std::string DefaultProgram();

    // The program's one decoder, shared by whoever decodes while it is in
    // use; it goes, and its waiting helper with it, when the last user lets go.
    static std::shared_ptr<const HelperDecoder> ForProgram();

    explicit HelperDecoder(std::string program = DefaultProgram());
    ~HelperDecoder();
    HelperDecoder(const HelperDecoder&) = delete;
    HelperDecoder& operator=(const HelperDecoder&) = delete;

    // The preview of the file at path, by its name (a clip or a snapshot),
    // fitting the box; empty for "No preview".
    PreviewImage Decode(const std::string& path, int boxWidth, int boxHeight, const std::stop_token& stop) const;

    // Starts the helper for the next preview, unless one is waiting already.
    void Prepare() const;
    // The helper waiting for the next preview; 0 for none.
    int SparePid() const;

private:
    std::unique_ptr<HelperProcess> TakeHelper() const;

    std::string m_strProgram;
    mutable std::mutex m_mutex;
    mutable std::unique_ptr<HelperProcess> m_spare;
};
