#pragma once

#include "catalog/StoreSummary.h"
#include "platform/ui/CPropertyPage.h"

#include <QTimer>

#include <memory>
#include <string>
#include <vector>

class AsyncTask;
class QLabel;
class QPushButton;
class QTableWidget;
class ScanControl;

// How much each camera holds: for each device and category, the number of
// recordings, their total size and the oldest and newest of them, over all
// time. A page of its own rather than a header on All Cameras: the search
// page's controls fill its template, and a row per camera and category needs
// a list's room. Counted off the window's thread (StoreSummary) the first
// time the page is shown and at Refresh, with the files examined so far
// shown meanwhile; leaving the page stops a count, and coming back starts it
// again.
class StoragePage : public CPropertyPage {
    Q_OBJECT

public:
    StoragePage(std::string caption, std::string recordingDir, std::vector<std::string> devices);

    void Refresh();
    bool IsCounting() const;

    // The table's columns.
    enum Column { Camera, Category, Recordings, Size, Oldest, Newest, kColumns };

signals:
    // A count ended and the table shows it.
    void Counted();

protected:
    void CreateControls() override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void OnTick();
    void Fill(const std::vector<StoreSummary::Totals>& totals);

    std::string m_strRecordingDir;
    std::vector<std::string> m_aDevices;
    QLabel* m_pProgress = nullptr;
    QTableWidget* m_pTable = nullptr;
    QPushButton* m_pRefresh = nullptr;
    AsyncTask* m_pTask = nullptr;
    // A fresh one per count, shared with it: a stopped count may outlive us.
    std::shared_ptr<ScanControl> m_pControl;
    QTimer m_ticker;
    bool m_bCounted = false;
};
