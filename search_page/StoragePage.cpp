#include "search_page/StoragePage.h"

#include "catalog/RecordingNames.h"
#include "catalog/ScanControl.h"
#include "platform/ThisThread.h"
#include "platform/ui/AsyncTask.h"
#include "platform/ui/QtStrings.h"

#include <QHeaderView>
#include <QHideEvent>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <array>

namespace {

struct CountResult {
    bool bComplete = false;
    std::vector<StoreSummary::Totals> totals;
};

QTableWidgetItem* Cell(const QString& text, Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter)
{
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(alignment);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

} // namespace

StoragePage::StoragePage(std::string caption, std::string recordingDir, std::vector<std::string> devices)
    : CPropertyPage(std::move(caption)), m_strRecordingDir(std::move(recordingDir)), m_aDevices(std::move(devices))
{
    m_ticker.setInterval(100);
    connect(&m_ticker, &QTimer::timeout, this, &StoragePage::OnTick);
}

void StoragePage::CreateControls()
{
    auto* layout = new QVBoxLayout(this);
    m_pProgress = new QLabel(this);
    m_pProgress->setObjectName(QStringLiteral("storageProgress"));
    m_pTable = new QTableWidget(0, kColumns, this);
    m_pTable->setObjectName(QStringLiteral("storageTable"));
    m_pTable->setHorizontalHeaderLabels({QStringLiteral("Camera"), QStringLiteral("Category"),
                                         QStringLiteral("Recordings"), QStringLiteral("Size"), QStringLiteral("Oldest"),
                                         QStringLiteral("Newest")});
    m_pTable->verticalHeader()->hide();
    m_pTable->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_pTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pTable->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_pTable->horizontalHeader()->setStretchLastSection(true);
    m_pRefresh = new QPushButton(QStringLiteral("&Refresh"), this);
    m_pRefresh->setObjectName(QStringLiteral("storageRefresh"));
    layout->addWidget(m_pProgress);
    layout->addWidget(m_pTable, 1);
    layout->addWidget(m_pRefresh, 0, Qt::AlignRight);
    m_pTask = new AsyncTask(this);
    connect(m_pRefresh, &QPushButton::clicked, this, &StoragePage::Refresh);
}

bool StoragePage::IsCounting() const
{
    return m_pTask != nullptr && m_pTask->IsRunning();
}

void StoragePage::Refresh()
{
    EnsureCreated();
    if (m_pControl)
        m_pControl->Cancel();
    m_pControl = std::make_shared<ScanControl>();
    m_pProgress->setText(QStringLiteral("Counting the recordings..."));
    m_ticker.start();
    m_pTask->Run(
        [dir = m_strRecordingDir, devices = m_aDevices, control = m_pControl](const std::stop_token&) {
            ThisThread::SetName("clipscout-count");
            ThisThread::RunInBackground();
            std::array<std::string_view, std::size(kCategoryLabels)> categories;
            for (std::size_t i = 0; i < categories.size(); ++i)
                categories[i] = kCategoryLabels[i].text;
            CountResult counted;
            counted.bComplete = StoreSummary::Run(dir, devices, categories, control.get(), counted.totals);
            return counted;
        },
        [this](const CountResult& counted) {
            m_ticker.stop();
            Fill(counted.totals);
            m_bCounted = counted.bComplete;
            m_pProgress->setText(counted.bComplete ? QStringLiteral("Every recording counted")
                                                   : QStringLiteral("Counting stopped: the table is incomplete"));
            emit Counted();
        });
}

void StoragePage::OnTick()
{
    if (m_pControl)
        m_pProgress->setText(QStringLiteral("Counting the recordings: %1 of %2 files examined")
                                 .arg(m_pControl->FilesExamined())
                                 .arg(m_pControl->FilesListed()));
}

void StoragePage::Fill(const std::vector<StoreSummary::Totals>& totals)
{
    m_pTable->setRowCount(static_cast<int>(totals.size()));
    const auto time = [](const CTime& when) { return ToQString(ToDisplayTime(FormatRecordTime(when))); };
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
    int row = 0;
    for (const StoreSummary::Totals& counted : totals) {
        const bool any = counted.nRecordings != 0;
        m_pTable->setItem(row, Camera, Cell(ToQString(counted.strDevice)));
        m_pTable->setItem(row, Category, Cell(ToQString(counted.strCategory)));
        m_pTable->setItem(row, Recordings, Cell(QString::number(counted.nRecordings), right));
        m_pTable->setItem(
            row, Size,
            Cell(QLocale::c().formattedDataSize(static_cast<qint64>(counted.nSize), 1, QLocale::DataSizeSIFormat),
                 right));
        m_pTable->setItem(row, Oldest, Cell(any ? time(counted.tOldest) : QString()));
        m_pTable->setItem(row, Newest, Cell(any ? time(counted.tNewest) : QString()));
        ++row;
    }
}

void StoragePage::showEvent(QShowEvent* event)
{
    CPropertyPage::showEvent(event);
    if (!m_bCounted && !IsCounting())
        Refresh();
}

void StoragePage::hideEvent(QHideEvent* event)
{
    // Another page is shown: a count of a large store is not left running.
    if (!event->spontaneous() && IsCounting()) {
        m_pControl->Cancel();
        m_pTask->Stop();
        m_ticker.stop();
    }
    CPropertyPage::hideEvent(event);
}
