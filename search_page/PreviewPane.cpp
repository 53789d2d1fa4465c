#include "search_page/PreviewPane.h"

#include "search_page/MyListCtrl.h"
#include "search_page/ResultRowPainter.h"

#include <QAction>
#include <QEvent>
#include <QScrollBar>
#include <QSettings>
#include <QShortcut>
#include <QStandardPaths>

#include <algorithm>

namespace {

constexpr int kMargin = 4;
// Narrower than this a picture shows nothing worth seeing.
constexpr int kLeastWidth = 48;
constexpr const char* kShowKey = "Preview/Show";

QSettings UserSettings()
{
    return QSettings(PreviewPane::SettingsFile(), QSettings::IniFormat);
}

// 4:3 and small enough that the pane fits in either half of the rows as the
// list is laid out now.
QSize BoxFor(const MyListCtrl& list)
{
    const int height = std::clamp(list.viewport()->height() / 2 - 3 * kMargin, 24, 144);
    return {height * 4 / 3, height};
}

// A picture decoded for a box the list has since outgrown or shrunk below is
// fitted again, keeping its proportions.
QImage FittedTo(const QImage& image, QSize box)
{
    if (image.isNull())
        return image;
    const PreviewImage::Size fit = PreviewImage::FitInBox(image.width(), image.height(), box.width(), box.height());
    if (fit.nWidth == image.width() && fit.nHeight == image.height())
        return image;
    return image.scaled(fit.nWidth, fit.nHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

} // namespace

QString PreviewPane::SettingsFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/clipscout/preview.conf");
}

PreviewPane::PreviewPane(MyListCtrl* list, QWidget* page)
    : QLabel(page),
      m_pList(list),
      m_pViewport(list->viewport()),
      m_cache(kCacheEntries, kCacheBytes),
      m_worker(
          [setup = m_pDecodeSetup](const std::string& path, const std::stop_token& stop) {
              QSize box;
              {
                  const std::lock_guard lock(setup->mutex);
                  box = setup->box;
              }
              return setup->decoder.Decode(path, box, stop);
          },
          [this](const std::string& path, PreviewImage preview) {
              // Handed over under a lock of ours, and picked up through a
              // connection made on this thread, so that nothing made on the
              // worker travels in Qt's queue, where a thread checker cannot
              // follow it; dropped by Qt if the pane is gone.
              {
                  const std::lock_guard lock(m_decodedMutex);
                  m_aDecoded.emplace_back(path, std::move(preview));
              }
              emit Decoded();
          }),
      m_pShowAction(new QAction(QStringLiteral("Show Preview"), this))
{
    setObjectName(QStringLiteral("preview"));
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setAlignment(Qt::AlignCenter);
    setMargin(1);
    setAutoFillBackground(true);
    // Clicks go through to the rows beneath.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    hide();

    m_delay.setSingleShot(true);
    m_delay.setInterval(kDelayMs);
    m_delay.setTimerType(Qt::PreciseTimer);
    connect(this, &PreviewPane::Decoded, this, &PreviewPane::TakeDecoded, Qt::QueuedConnection);
    connect(&m_delay, &QTimer::timeout, this, &PreviewPane::OnDelayElapsed);

    m_bOn = UserSettings().value(kShowKey, true).toBool();
    m_pShowAction->setCheckable(true);
    m_pShowAction->setChecked(m_bOn);
    connect(m_pShowAction, &QAction::toggled, this, &PreviewPane::SetPreviewsOn);

    // Escape reaches the page before the sheet swallows it, as it does for
    // the search's Cancel; only one of the two is ever on.
    m_pEscape = new QShortcut(QKeySequence(Qt::Key_Escape), page);
    m_pEscape->setContext(Qt::WindowShortcut);
    m_pEscape->setEnabled(false);
    connect(m_pEscape, &QShortcut::activated, this, &PreviewPane::Dismiss);
    connect(m_pList->verticalScrollBar(), &QScrollBar::valueChanged, this, &PreviewPane::Place);

    // The viewport, not the list: the list lays its viewport out only after
    // its own resize, so the list's event would place by the old size.
    m_pViewport->installEventFilter(this);
    m_pList->installEventFilter(this);
    page->installEventFilter(this);
}

PreviewPane::~PreviewPane() = default;

void PreviewPane::SetFolder(std::string folder)
{
    Dismiss();
    m_strFolder = std::move(folder);
}

void PreviewPane::Follow(std::string folder, const std::string& fileName, int row)
{
    m_strFolder = std::move(folder);
    Follow(fileName, row);
}

void PreviewPane::Follow(const std::string& fileName, int row)
{
    if (!m_bOn || fileName.empty()) {
        Dismiss();
        return;
    }
    std::string path = m_strFolder + "/" + fileName;
    // Staying on the same row keeps what is shown or on its way.
    if (path == m_strWanted)
        return;
    Dismiss();
    m_strWanted = std::move(path);
    m_nRow = row;
    m_pEscape->setEnabled(true);
    m_delay.start();
}

void PreviewPane::Dismiss()
{
    m_delay.stop();
    m_worker.Cancel();
    m_strWanted.clear();
    m_bShown = false;
    m_pEscape->setEnabled(false);
    hide();
}

void PreviewPane::SetPreviewsOn(bool on)
{
    m_bOn = on;
    m_pShowAction->setChecked(on);
    UserSettings().setValue(kShowKey, on);
    if (!on)
        Dismiss();
}

bool PreviewPane::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched == m_pViewport && event->type() == QEvent::Resize) ||
        (watched == m_pList && event->type() == QEvent::Move))
        Place();
    if (watched == parentWidget() && event->type() == QEvent::Hide)
        Dismiss();
    return QLabel::eventFilter(watched, event);
}

void PreviewPane::OnDelayElapsed()
{
    // Only now is the list surely laid out.
    if (const QSize box = BoxFor(*m_pList); box != m_decodeBox) {
        m_cache = PreviewCache(kCacheEntries, kCacheBytes);
        m_decodeBox = box;
        const std::lock_guard lock(m_pDecodeSetup->mutex);
        m_pDecodeSetup->box = box;
    }
    if (const QImage* cached = m_cache.Find(m_strWanted))
        ShowPreview(m_strWanted, *cached);
    else
        m_worker.Request(m_strWanted);
}

void PreviewPane::TakeDecoded()
{
    std::vector<std::pair<std::string, PreviewImage>> decoded;
    {
        const std::lock_guard lock(m_decodedMutex);
        decoded.swap(m_aDecoded);
    }
    for (const auto& [path, preview] : decoded)
        OnDecoded(path, preview);
}

void PreviewPane::OnDecoded(const std::string& path, const PreviewImage& preview)
{
    const QImage image = PreviewDecoder::ToImage(preview);
    m_cache.Insert(path, image);
    // A result posted just before the row moved on is no longer wanted.
    if (path == m_strWanted && !m_delay.isActive())
        ShowPreview(path, image);
}

void PreviewPane::ShowPreview(const std::string& path, const QImage& image)
{
    m_image = image;
    if (image.isNull()) {
        setText(QStringLiteral("No preview"));
        adjustSize();
    }
    m_bShown = true;
    Place();
    emit Shown(QString::fromStdString(path));
}

void PreviewPane::Place()
{
    if (!m_bShown)
        return;
    // Over the right end of the rows, in the half the current row is not in;
    // away while the row is scrolled out of sight.
    const QRect row = m_pList->GetItemRect(m_nRow, LVIR_BOUNDS);
    if (row.bottom() < 0 || row.top() >= m_pViewport->height()) {
        hide();
        return;
    }
    // Right of the text of every row in that half, so that it hides none:
    // the picture shrinks to the room there, and goes where there is none.
    const int viewportHeight = m_pViewport->height();
    const bool lowerHalf = row.center().y() < viewportHeight / 2;
    const int halfTop = lowerHalf ? viewportHeight / 2 : 0;
    const int halfBottom = lowerHalf ? viewportHeight : viewportHeight / 2;
    int textRight = 0;
    // Past the last row the list answers -1: no row there.
    for (int item = m_pList->rowAt(halfTop); item >= 0 && item < m_pList->GetItemCount(); ++item) {
        if (m_pList->GetItemRect(item, LVIR_BOUNDS).top() >= halfBottom)
            break;
        textRight = std::max(textRight, ResultRowTextRight(m_pList->fontMetrics(), *m_pList, item));
    }
    const int room = m_pViewport->width() - textRight - 2 * kMargin;
    // The frame and the margin around the picture.
    const int border = 2 * (frameWidth() + margin());
    if (!m_image.isNull()) {
        const QSize box = BoxFor(*m_pList);
        const int width = std::min(box.width(), room - border);
        // A list a few rows high has no half that holds a picture worth
        // showing: away, rather than over rows or the controls around it.
        if (width < kLeastWidth) {
            hide();
            return;
        }
        setPixmap(QPixmap::fromImage(FittedTo(m_image, {width, width * box.height() / box.width()})));
        adjustSize();
    }
    if (width() > room) {
        hide();
        return;
    }
    const QRect rows(m_pViewport->mapTo(parentWidget(), QPoint(0, 0)), m_pViewport->size());
    const int y = lowerHalf ? rows.bottom() + 1 - kMargin - height() : rows.top() + kMargin;
    move(rows.right() + 1 - kMargin - width(), y);
    show();
    raise();
}
