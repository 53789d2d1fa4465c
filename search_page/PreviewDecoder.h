#pragma once

#include "preview/ClipFrameDecoder.h"
#include "search_page/SnapshotDecoder.h"

#include <QImage>
#include <QSize>

#include <stop_token>
#include <string>

// The preview of any recording, chosen by its name: a snapshot's picture or
// a clip's first key frame, scaled to fit a box. Empty for "No preview".
// Reads the disk: never call Decode on the window's thread.
class PreviewDecoder {
public:
    PreviewImage Decode(const std::string& path, QSize box, std::stop_token stop) const;

    static QImage ToImage(const PreviewImage& preview);

private:
    ClipFrameDecoder m_clips;
    SnapshotDecoder m_snapshots;
};
