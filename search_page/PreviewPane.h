#pragma once

#include "preview/PreviewWorker.h"
#include "search_page/PreviewCache.h"
#include "search_page/PreviewDecoder.h"

#include <QImage>
#include <QLabel>
#include <QTimer>

#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

class MyListCtrl;
class QAction;
class QShortcut;

// The preview of the result list's current row: once the row has stayed on
// a recording for a moment, its picture (or "No preview") appears over the
// right part of the list, in the half away from the row, without moving any
// control of the page, sized from the list as laid out. It follows the row as
// the list scrolls, out of sight while the row is. It goes when the row
// moves, on Escape, when the page is hidden and on a search. Its action,
// which the list's context menu offers, turns previews off and on; the choice
// is kept in the user's configuration folder.
class PreviewPane : public QLabel {
    Q_OBJECT

public:
    static constexpr int kDelayMs = 300;
    static constexpr std::size_t kCacheEntries = 256;
    static constexpr std::size_t kCacheBytes = 16u << 20;

    // page: the parent, whose hiding dismisses the preview; list: the result
    // list on the page.
    PreviewPane(MyListCtrl* list, QWidget* page);
    ~PreviewPane() override;

    // The folder of the rows listed from now on; dismisses what was shown.
    void SetFolder(std::string folder);
    // The current row is now row, named fileName (empty for no row).
    void Follow(const std::string& fileName, int row);
    // The same for a list whose rows lie in several folders: row lies in
    // folder, which stays the folder until the next call.
    void Follow(std::string folder, const std::string& fileName, int row);
    void Dismiss();

    // The pause before a preview appears; the benchmark's long runs shorten it.
    void SetDelay(int ms) { m_delay.setInterval(ms); }

    // Where the choice is kept: the program's own state in the user's
    // configuration folder (~/.config/clipscout/preview.conf), apart from the
    // settings files, which are only ever read.
    static QString SettingsFile();

    bool PreviewsOn() const { return m_bOn; }
    // "Show Preview", checked while previews are on.
    QAction* ShowAction() const { return m_pShowAction; }
    void SetPreviewsOn(bool on);
    const PreviewCache& Cache() const { return m_cache; }

signals:
    // A picture or "No preview" appeared for the recording at path.
    void Shown(const QString& path);
    // From the worker: a decode's result waits to be taken on this thread.
    void Decoded();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnDelayElapsed();
    void OnDecoded(const std::string& path, const PreviewImage& preview);
    void TakeDecoded();
    void ShowPreview(const std::string& path, const QImage& image);
    void Place();

    MyListCtrl* m_pList;
    // Kept apart: while the list is destroyed its viewport still sends
    // events, and the list can no longer be asked for it.
    QWidget* m_pViewport;
    QTimer m_delay;
    PreviewCache m_cache;
    // What a decode reads, shared with decodes that may outlive the pane:
    // the box, from the list as laid out when the preview was asked for.
    struct DecodeSetup {
        PreviewDecoder decoder;
        std::mutex mutex;
        QSize box;
    };
    std::shared_ptr<DecodeSetup> m_pDecodeSetup = std::make_shared<DecodeSetup>();
    // Results from the worker, not yet taken on the window's thread.
    std::mutex m_decodedMutex;
    std::vector<std::pair<std::string, PreviewImage>> m_aDecoded;
    // The box of m_pDecodeSetup, as this thread last set it.
    QSize m_decodeBox;
    // Declared after the list it fills, so that it stops first.
    PreviewWorker m_worker;
    QAction* m_pShowAction;
    std::string m_strFolder;
    // The recording whose preview is on its way or shown; empty for none.
    std::string m_strWanted;
    int m_nRow = -1;
    // A picture or "No preview" is up for m_strWanted; it is in sight while
    // its row is.
    bool m_bShown = false;
    // The picture shown, null for "No preview"; fitted again to the room it
    // has wherever it is placed.
    QImage m_image;
    QShortcut* m_pEscape = nullptr;
    bool m_bOn = true;
};
