#pragma once

#include "preview/HelperDecoder.h"

#include <QImage>
#include <QSize>

#include <memory>
#include <stop_token>
#include <string>

// The preview of any recording, chosen by its name: a snapshot's picture or
// a clip's first key frame, scaled to fit a box, decoded in a confined helper
// process. Empty for "No preview". Reads the disk and waits for the helper:
// never call Decode on the window's thread. All pages decode through one set
// of helpers, so that the program keeps one helper waiting, not one a page.
class PreviewDecoder {
public:
    PreviewImage Decode(const std::string& path, QSize box, const std::stop_token& stop) const;

    static QImage ToImage(const PreviewImage& preview);

private:
    std::shared_ptr<const HelperDecoder> m_pHelpers = HelperDecoder::ForProgram();
};
