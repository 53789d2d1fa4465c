#pragma once

#include <QObject>

#include <cstddef>
#include <cstdint>
#include <string>

class QLabel;
class QWidget;

// What the last search found, in the strip left of "Search" where a running
// search shows its progress: the count and total size of its recordings. It
// stands exactly where the progress stands and gives way to it while it
// shows, so nothing of the page moves.
class SearchSummary : public QObject {
    Q_OBJECT

public:
    // progress: the search's progress line, whose place and font it takes.
    SearchSummary(QWidget* page, QLabel* progress);

    void Set(std::size_t count, std::uint64_t bytes);
    QLabel* Label() const { return m_wndSummary; }

    // "300 recordings, 1.2 GB" (decimal units, as file managers give sizes),
    // "1 recording, 512 bytes", or "No recordings".
    static std::string Text(std::size_t count, std::uint64_t bytes);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Follow();

    QLabel* m_wndProgress;
    QLabel* m_wndSummary;
};
