#pragma once

#include "preview/ClipFrameDecoder.h"
#include "search_page/SnapshotDecoder.h"

#include <QImage>
#include <QSize>

#include <stop_token>
#include <string>

// The preview of any recording, chosen by its name: a snapshot's picture or
// a clip's first key frame, scaled to fit the box. Null for "No preview".
// Reads the disk: never call it on the window's thread.
class PreviewDecoder {
public:
    explicit PreviewDecoder(QSize box);

    QSize Box() const { return m_box; }
    QImage Decode(const std::string& path, std::stop_token stop) const;

private:
    QSize m_box;
    ClipFrameDecoder m_clips;
    SnapshotDecoder m_snapshots;
};
