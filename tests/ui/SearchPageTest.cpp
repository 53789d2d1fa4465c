#include "platform/ui/CDateTimeCtrl.h"
#include "platform/ui/DialogUnits.h"
#include "search_page/CDlg.h"
#include "search_page/MyListCtrl.h"
#include "search_page/UntouchedEnd.h"
#include "support/PageTestKit.h"

#include <QAccessible>
#include <QApplication>
#include <QCalendarWidget>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QToolTip>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>

namespace {

void Click(CDlg& page, int id)
{
    QTest::mouseClick(Item<QPushButton>(page, id), Qt::LeftButton);
    WaitForSearch(page);
}

bool ActionsEnabled(const CDlg& page)
{
    const bool playback = Item<QPushButton>(page, 1015)->isEnabled();
    const bool erase = Item<QPushButton>(page, 1016)->isEnabled();
    const bool explore = Item<QPushButton>(page, 1017)->isEnabled();
    if (playback != erase || erase != explore)
        qFatal("the three action buttons disagree");
    return playback;
}

void SetRange(const CDlg& page, QDate startDate, QTime startTime, QDate endDate, QTime endTime)
{
    Item<CDateTimeCtrl>(page, 1005)->setDate(startDate);
    Item<CDateTimeCtrl>(page, 1006)->setTime(startTime);
    Item<CDateTimeCtrl>(page, 1010)->setDate(endDate);
    Item<CDateTimeCtrl>(page, 1011)->setTime(endTime);
}

} // namespace

class SearchPageTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_messages = std::make_unique<MessageRecorder>();
        m_launcher = std::make_unique<RecordingLauncher>();
    }
    void cleanup()
    {
        m_launcher.reset();
        m_messages.reset();
    }

    void calendarsMarkTheDaysWithRecordingsOfTheCategoryAndCtrlHomeEndGoToTheFirstAndLast()
    {
        TestStore store;
        store.AddClip("Recording", "Sr0001.asf", "2006/03/14 10:00");
        store.AddClip("Recording", "Sr0002.asf", "2006/03/16 23:59");
        // Before the range the page opens with: marked all the same.
        store.AddClip("Recording", "Sr0003.asf", "2004/12/31 08:00");
        store.AddClip("MotionDetection", "Md0001.asf", "2006/03/20 10:00");
        auto page = ShowPage(store.Device(), m_launcher.get());
        auto* start = Item<CDateTimeCtrl>(*page, 1005);
        const auto bold = [](const CDateTimeCtrl* picker, QDate day) {
            return picker->calendarWidget()->dateTextFormat(day).fontWeight() == QFont::Bold;
        };
        const auto marked = [&](const CDateTimeCtrl* picker) {
            QList<QDate> days;
            for (QDate day(2004, 12, 1); day <= QDate(2006, 3, 31); day = day.addDays(1))
                if (bold(picker, day))
                    days << day;
            return days;
        };
        QTRY_VERIFY(bold(start, QDate(2006, 3, 14)));
        const QList<QDate> scheduled{QDate(2004, 12, 31), QDate(2006, 3, 14), QDate(2006, 3, 16)};
        QCOMPARE(marked(start), scheduled);
        QCOMPARE(marked(Item<CDateTimeCtrl>(*page, 1010)), scheduled);

        start->setFocus();
        QTest::keyClick(start, Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(start->date(), QDate(2006, 3, 16));
        QTest::keyClick(start, Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(start->date(), QDate(2004, 12, 31));

        // Another category marks its own days.
        Item<QComboBox>(*page, 1020)->setCurrentIndex(3);
        Click(*page, 1013);
        WaitForSearch(*page);
        QTRY_VERIFY(bold(start, QDate(2006, 3, 20)));
        QCOMPARE(marked(start), QList<QDate>{QDate(2006, 3, 20)});
    }

    void anEndTheUserHasNotSetIsNowAtEachSearchUntilTheyDo()
    {
        TestStore store;
        store.AddClip("Recording", "Sr0001.asf", "2006/03/14 10:00");
        auto page = ShowPage(store.Device(), m_launcher.get());
        auto* endDate = Item<CDateTimeCtrl>(*page, 1010);
        auto* endTime = Item<CDateTimeCtrl>(*page, 1011);
        const auto endIsNow = [&] { return std::abs(endDate->date().daysTo(QDate::currentDate())) <= 1; };
        MyListCtrl& list = *List(*page);
        QCOMPARE(list.GetItemCount(), 1);

        // Pickers as the page showed them long ago: the search ends now.
        const auto showLongAgo = [&] {
            page->findChild<UntouchedEnd*>()->Showing([&] {
                endDate->setDate(QDate(2006, 3, 14));
                endTime->setTime(QTime(9, 0));
            });
        };
        showLongAgo();
        Click(*page, 1013);
        QVERIFY(endIsNow());
        QCOMPARE(list.GetItemCount(), 1);

        // Set by the user (a field stepped down: 08:00 or 09:59), the end
        // stays, F5 and all.
        showLongAgo();
        endTime->setFocus();
        QTest::keyClick(endTime, Qt::Key_Down);
        const QTime set = endTime->time();
        QVERIFY(set < QTime(10, 0) && set != QTime(9, 0));
        Click(*page, 1013);
        QCOMPARE(endDate->date(), QDate(2006, 3, 14));
        QCOMPARE(endTime->time(), set);
        QCOMPARE(list.GetItemCount(), 0);
        QTest::keyClick(&list, Qt::Key_F5);
        WaitForSearch(*page);
        QCOMPARE(endTime->time(), set);

        // Show All Files gives the end back to the clock.
        Click(*page, 1023);
        showLongAgo();
        Click(*page, 1013);
        QVERIFY(endIsNow());
        QCOMPARE(list.GetItemCount(), 1);
    }

    void opensWithTemplateTextsDefaultsAndInitialRange()
    {
        TestStore store;
        const QDateTime before = QDateTime::currentDateTime();
        auto page = ShowPage(store.Device(), m_launcher.get());

        QCOMPARE(page->windowTitle(), QString("Cam1"));
        QCOMPARE(Item<QLabel>(*page, 1019)->text(), QString("Recorded File Catagory"));
        QCOMPARE(Item<QPushButton>(*page, 1023)->text(), QString("Show All Files"));

        auto* category = Item<QComboBox>(*page, 1020);
        QVERIFY(category->isEditable());
        QCOMPARE(category->count(), 4);
        QCOMPARE(category->itemText(0), QString("Scheduled Recording"));
        QCOMPARE(category->itemText(1), QString("SnapShot"));
        QCOMPARE(category->itemText(2), QString("Instant Recording"));
        QCOMPARE(category->itemText(3), QString("Motion Detection"));
        QCOMPARE(category->currentIndex(), 0);
        QCOMPARE(page->m_strCategory, std::string("Scheduled Recording"));

        auto* startDate = Item<CDateTimeCtrl>(*page, 1005);
        auto* startTime = Item<CDateTimeCtrl>(*page, 1006);
        auto* endDate = Item<CDateTimeCtrl>(*page, 1010);
        auto* endTime = Item<CDateTimeCtrl>(*page, 1011);
        QCOMPARE(startDate->text(), QString("01-01-05"));
        QCOMPARE(startTime->text(), QString("00:00"));
        QCOMPARE(endDate->displayFormat(), QString("MM-dd-yy"));
        QCOMPARE(endTime->displayFormat(), QString("HH:mm"));
        const QDateTime end(endDate->date(), endTime->time());
        QVERIFY(end >= before.addSecs(-1) && end <= QDateTime::currentDateTime());
        // The date pickers drop down a month calendar from their arrow; the
        // time pickers only step, and a press on an arrow stays with the
        // picker instead of moving the current row.
        for (QDateTimeEdit* picker : {static_cast<QDateTimeEdit*>(startDate), static_cast<QDateTimeEdit*>(startTime)}) {
            QTest::mousePress(picker, Qt::LeftButton, {}, QPoint(picker->width() - 4, picker->height() * 3 / 4));
            QWidget* popup = QApplication::activePopupWidget();
            QCOMPARE(popup != nullptr && popup->findChild<QCalendarWidget*>() != nullptr, picker == startDate);
            if (popup)
                popup->close();
            QTest::mouseRelease(picker, Qt::LeftButton, {}, QPoint(picker->width() - 4, picker->height() * 3 / 4));
        }
        // A time field steps round within its range without carrying.
        endTime->setTime(QTime(23, 59));
        endTime->setCurrentSection(QDateTimeEdit::MinuteSection);
        endTime->stepBy(1);
        QCOMPARE(endTime->time(), QTime(23, 0));
        endTime->setCurrentSection(QDateTimeEdit::HourSection);
        endTime->stepBy(-24);
        QCOMPARE(endTime->time(), QTime(23, 0));

        // The first search ran over the same range and found nothing.
        QCOMPARE(page->m_tSearchStart.GetTime(), CTime(2005, 1, 1, 0, 0, 0).GetTime());
        QCOMPARE(page->m_tSearchStart.GetSecond(), 0);
        QCOMPARE(page->m_nCurrentRow, 0);
        QCOMPARE(List(*page)->GetItemCount(), 0);
        QVERIFY(!ActionsEnabled(*page));
        QVERIFY(m_messages->Texts().empty());

        const MyListCtrl* list = List(*page);
        const int width = list->width();
        // The empty fourth column takes no room and is not shown at all.
        QCOMPARE(list->horizontalHeader()->count(), 3);
        QCOMPARE(list->columnWidth(0), 99 * width / 200);
        QCOMPARE(list->columnWidth(1), 5 * width / 20);
        QCOMPARE(list->columnWidth(2), 5 * width / 20 - 1);
        QCOMPARE(list->columnWidth(3), 0);
        QCOMPARE(list->model()->headerData(0, Qt::Horizontal).toString(), QString("File Name"));
        QCOMPARE(list->model()->headerData(1, Qt::Horizontal).toString(), QString("Recorded Time"));
        QCOMPARE(list->model()->headerData(2, Qt::Horizontal).toString(), QString("Duration"));
        QCOMPARE(list->model()->headerData(3, Qt::Horizontal).toString(), QString());

        // Positions are the template's dialog units in pixels of the page's font.
        const DialogUnits units(page->font());
        QCOMPARE(list->geometry(), units.MapDialogRect(7, 93, 343, 217));
        QCOMPARE(Item<QPushButton>(*page, 1017)->geometry(), units.MapDialogRect(300, 321, 50, 14));
    }

    void labelsComeFromClipscoutIniAndEmptyValuesKeepTheirTexts()
    {
        TestStore store;
        store.WriteAppIni("[Clipscout]\nB_Search=Find\nS_Start=\nGB_SearchingFiles=Look for <b>clips</b>\n"
                          "S_FileName=Clip\nS_Duration=\nSR=Planned\nSS=\nIR=Manual\nMD=Movement\n");
        store.AddClip("Recording", "Sr0001.asf", "2006/03/14 10:00");
        auto page = ShowPage(store.Device(), m_launcher.get());

        QCOMPARE(Item<QPushButton>(*page, 1013)->text(), QString("Find"));
        // A text is shown as written, markup and all, as a static control would.
        auto* heading = Item<QLabel>(*page, 1000);
        QCOMPARE(heading->text(), QString("Look for <b>clips</b>"));
        QVERIFY(heading->sizeHint().width() >= heading->fontMetrics().horizontalAdvance(heading->text()));
        QCOMPARE(Item<QLabel>(*page, 1021)->text(), QString("Start Date/Time"));
        QCOMPARE(Item<QLabel>(*page, 1022)->text(), QString("End Date/Time"));
        QCOMPARE(Item<QPushButton>(*page, 1016)->text(), QString("Delete"));

        const QAbstractItemModel* columns = List(*page)->model();
        QCOMPARE(columns->headerData(0, Qt::Horizontal).toString(), QString("Clip"));
        QCOMPARE(columns->headerData(1, Qt::Horizontal).toString(), QString("Recorded Time"));
        QCOMPARE(columns->headerData(2, Qt::Horizontal).toString(), QString("Duration"));

        auto* category = Item<QComboBox>(*page, 1020);
        QStringList shown;
        for (int i = 0; i < category->count(); ++i)
            shown << category->itemText(i);
        QCOMPARE(shown, QStringList({"Planned", "SnapShot", "Manual", "Movement"}));
    }

    void renamedCategoriesAreSearchedByTheirPlaceInTheBox()
    {
        TestStore store;
        // The last entry is renamed to another category's built-in text.
        store.WriteAppIni("[Clipscout]\nSR=Planned\nSS=\nIR=Manual\nMD=Instant Recording\n");
        store.AddClip("Recording", "Sr0001.asf", "2006/03/14 10:00");
        store.AddClip("Recording", "Ir0002.asf", "2006/03/14 10:00");
        store.AddClip("MotionDetection", "Md0003.asf", "2006/03/14 10:00");
        TestStore::Write(store.Folder("SnapShot") + "/a.jpg", "JFIF");
        auto page = ShowPage(store.Device(), m_launcher.get());
        auto* category = Item<QComboBox>(*page, 1020);
        const auto listed = [&page] {
            const MyListCtrl* list = List(*page);
            std::vector<std::string> names;
            names.reserve(static_cast<std::size_t>(list->GetItemCount()));
            for (int row = 0; row < list->GetItemCount(); ++row)
                names.push_back(list->GetItemText(row, 0));
            return names;
        };
        using Names = std::vector<std::string>;
        QCOMPARE(listed(), Names{"Sr0001.asf"}); // the first search, under "Planned"
        // Up to tomorrow: the snapshot was taken in the current minute.
        SetRange(*page, QDate(2005, 1, 1), QTime(0, 0), QDate::currentDate().addDays(1), QTime(0, 0));

        // Chosen from the box: each entry names the category of its place.
        const Names byPlace[] = {{"Sr0001.asf"}, {"a.jpg"}, {"Ir0002.asf"}, {"Md0003.asf"}};
        for (int entry : {3, 2, 1, 0}) {
            category->setCurrentIndex(entry);
            Click(*page, 1013);
            QCOMPARE(listed(), byPlace[entry]);
        }
        // Typed: an entry's text names that entry's category; a built-in text
        // that no entry shows still names its own; any other text reads the
        // last folder and matches nothing.
        const std::pair<const char*, Names> typed[] = {{"Manual", {"Ir0002.asf"}},
                                                       {"Instant Recording", {"Md0003.asf"}},
                                                       {"Scheduled Recording", {"Sr0001.asf"}},
                                                       {"Planed", {}}};
        for (const auto& [text, names] : typed) {
            category->lineEdit()->selectAll();
            QTest::keyClicks(category->lineEdit(), text);
            Click(*page, 1013);
            QCOMPARE(listed(), names);
        }
        QCOMPARE(page->m_strCategoryFolder, std::string("Recording"));
    }

    void searchFillsTheListInListingOrderAndEnablesTheActions()
    {
        TestStore store;
        auto page = ShowPage(store.Device(), m_launcher.get());
        QVERIFY(!ActionsEnabled(*page));

        store.AddClip("Recording", "Sr0001.asf", "2006/03/14 09:05", "2006/03/14 09:07", 75);
        store.AddClip("Recording", "Sr0002.asf", "2006/03/14 10:00:05", "2006/03/14 10:05:05", 950);
        store.AddClip("Recording", "Ir0003.asf", "2006/03/14 11:00");
        page->m_nCurrentRow = -1;
        Click(*page, 1013);

        const MyListCtrl* list = List(*page);
        QCOMPARE(list->GetItemCount(), 2);
        QCOMPARE(page->m_nFiles, 2);
        QCOMPARE(page->m_nCurrentRow, 0);
        QVERIFY(ActionsEnabled(*page));
        QCOMPARE(page->m_strCategoryFolder, std::string("Recording"));
        for (int row = 0; row < 2; ++row) {
            const std::string name = list->GetItemText(row, 0);
            if (name == "Sr0001.asf") {
                QCOMPARE(list->GetItemText(row, 1), std::string("03/14/06  09:05"));
                QCOMPARE(list->GetItemText(row, 2), std::string("01:15"));
            } else {
                QCOMPARE(name, std::string("Sr0002.asf"));
                QCOMPARE(list->GetItemText(row, 1), std::string("03/14/06  10:00:05"));
                QCOMPARE(list->GetItemText(row, 2), std::string("15:00"));
            }
            QVERIFY(list->GetItemText(row, 3).empty());
        }

        // Nothing in this category: the list empties and the actions go off,
        // while the current row stays what it was.
        page->m_nCurrentRow = 1;
        Item<QComboBox>(*page, 1020)->setCurrentIndex(3);
        Click(*page, 1013);
        QCOMPARE(list->GetItemCount(), 0);
        QVERIFY(!ActionsEnabled(*page));
        QCOMPARE(page->m_nCurrentRow, 1);
        QVERIFY(m_messages->Texts().empty());
    }

    void typedCategoryTextIsSearchedAsTypedInTheLastFolder()
    {
        TestStore store;
        store.AddClip("Recording", "Sr0001.asf", "2006/03/14 10:00");
        auto page = ShowPage(store.Device(), m_launcher.get());
        QCOMPARE(List(*page)->GetItemCount(), 1);

        auto* category = Item<QComboBox>(*page, 1020);
        category->lineEdit()->selectAll();
        QTest::keyClicks(category->lineEdit(), "Snap");
        QTest::keyClick(category->lineEdit(), Qt::Key_Return);
        Click(*page, 1013);
        QCOMPARE(page->m_strCategory, std::string("Snap"));
        QCOMPARE(category->count(), 4);
        QCOMPARE(page->m_strCategoryFolder, std::string("Recording"));
        QCOMPARE(List(*page)->GetItemCount(), 0);
    }

    void anInvertedRangeReportsOnceAndShowsNothing()
    {
        TestStore store;
        store.AddClip("Recording", "Sr0001.asf", "2006/03/14 10:00");
        auto page = ShowPage(store.Device(), m_launcher.get());
        QVERIFY(ActionsEnabled(*page));

        SetRange(*page, QDate(2006, 3, 14), QTime(10, 1), QDate(2006, 3, 14), QTime(10, 0));
        Click(*page, 1013);
        QCOMPARE(m_messages->Texts(), std::vector<std::string>{"The start time should be earlier than the end time"});
        QCOMPARE(List(*page)->GetItemCount(), 0);
        QVERIFY(!ActionsEnabled(*page));
        QCOMPARE(Item<CDateTimeCtrl>(*page, 1006)->time(), QTime(10, 1));
        QCOMPARE(Item<CDateTimeCtrl>(*page, 1011)->time(), QTime(10, 0));

        // Equal ends are a range of one instant, not an error.
        m_messages->Clear();
        SetRange(*page, QDate(2006, 3, 14), QTime(10, 0), QDate(2006, 3, 14), QTime(10, 0));
        Click(*page, 1013);
        QVERIFY(m_messages->Texts().empty());
        QCOMPARE(Names(*List(*page)), std::vector<std::string>{"Sr0001.asf"});
        QVERIFY(ActionsEnabled(*page));

        // While the message is open, the page behind it already shows that
        // nothing was found, not what the search before found.
        QString behind;
        MessageBoxSeam::SetShower([&](QWidget*, const std::string&) {
            const auto* summary = Item<QLabel>(*page, 1028);
            behind = QStringLiteral("%1 (%2 rows%3)")
                         .arg(summary->isVisible() ? summary->text() : QStringLiteral("no summary"))
                         .arg(List(*page)->GetItemCount())
                         .arg(ActionsEnabled(*page) ? ", actions enabled" : "");
        });
        SetRange(*page, QDate(2006, 3, 14), QTime(10, 1), QDate(2006, 3, 14), QTime(10, 0));
        Click(*page, 1013);
        QCOMPARE(behind, QStringLiteral("No recordings (0 rows)"));
    }

    void showAllFilesKeepsTheCategoryAndWidensTheRange()
    {
        TestStore store;
        store.AddClip("Recording", "Ir2005.asf", "2005/01/01 00:00");
        store.AddClip("Recording", "Ir2010.asf", "2010/06/01 12:00");
        store.AddClip("Recording", "Sr2010.asf", "2010/06/01 12:00");
        store.AddClip("Recording", "Ir2004.asf", "2004/12/31 23:59");
        auto page = ShowPage(store.Device(), m_launcher.get());

        Item<QComboBox>(*page, 1020)->setCurrentIndex(2);
        SetRange(*page, QDate(2010, 1, 1), QTime(0, 0), QDate(2010, 12, 31), QTime(0, 0));
        Click(*page, 1013);
        QCOMPARE(Names(*List(*page)), std::vector<std::string>{"Ir2010.asf"});

        Click(*page, 1023);
        QCOMPARE(Item<QComboBox>(*page, 1020)->currentText(), QString("Instant Recording"));
        QCOMPARE(Item<CDateTimeCtrl>(*page, 1005)->date(), QDate(2005, 1, 1));
        QCOMPARE(Item<CDateTimeCtrl>(*page, 1006)->time(), QTime(0, 0));
        QCOMPARE(Item<CDateTimeCtrl>(*page, 1010)->date(), QDate::currentDate());
        std::vector<std::string> names = Names(*List(*page));
        std::sort(names.begin(), names.end());
        QCOMPARE(names, (std::vector<std::string>{"Ir2005.asf", "Ir2010.asf"}));
    }

    void aClickBelowTheLastRowLeavesNoCurrentRowAndDeleteRemovesNothing()
    {
        TestStore store;
        store.AddClip("Recording", "Sr0001.asf", "2006/03/14 10:00");
        store.AddClip("Recording", "Sr0002.asf", "2006/03/14 11:00");
        auto page = ShowPage(store.Device(), m_launcher.get());
        MyListCtrl* list = List(*page);
        QCOMPARE(list->GetItemCount(), 2);

        // A press that reaches the list's own window, not only its rows, is
        // forwarded in the list's coordinates too.
        QTest::mouseClick(list, Qt::LeftButton, {}, list->viewport()->pos() + OnRow(*list, 1));
        QTRY_COMPARE(page->m_nCurrentRow, 1);

        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, OnRow(*list, 1) + QPoint(0, 40));
        QTRY_COMPARE(page->m_nCurrentRow, -1);
        QVERIFY(list->hasFocus());

        Click(*page, 1015);
        QTRY_COMPARE(m_launcher->Opened(), std::vector<std::string>{store.Folder("Recording") + "/"});

        Click(*page, 1016);
        QVERIFY(std::filesystem::exists(store.Folder("Recording") + "/Sr0001.asf"));
        QVERIFY(std::filesystem::exists(store.Folder("Recording") + "/Sr0002.asf"));
        QVERIFY(std::filesystem::is_directory(store.Folder("Recording")));
        QCOMPARE(list->GetItemCount(), 2);
        QCOMPARE(page->m_nCurrentRow, 0);
    }

    void aClickOnThePageItselfIsHitTestedAsIfInTheList()
    {
        TestStore store;
        store.AddClip("Recording", "Sr0001.asf", "2006/03/14 10:00");
        auto page = ShowPage(store.Device(), m_launcher.get());
        QCOMPARE(page->m_nCurrentRow, 0);
        // A label takes no clicks; at its place the list has only its header.
        QTest::mouseClick(Item<QLabel>(*page, 1019), Qt::LeftButton, {}, QPoint(2, 2));
        QCOMPARE(page->m_nCurrentRow, -1);
    }

    void upAndDownMoveTheCurrentRowAndStopAtTheEnds()
    {
        TestStore store;
        for (int i = 0; i < 3; ++i)
            store.AddClip("Recording", "Sr000" + std::to_string(i) + ".asf", "2006/03/14 10:00");
        auto page = ShowPage(store.Device(), m_launcher.get());
        MyListCtrl* list = List(*page);
        list->setFocus();
        QCOMPARE(page->m_nCurrentRow, 0);

        QTest::keyClick(list, Qt::Key_Up);
        QCOMPARE(page->m_nCurrentRow, 0);
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(page->m_nCurrentRow, 1);
        for (int i = 0; i < 4; ++i)
            QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(page->m_nCurrentRow, 2);
        // The list marks the current row, and only it, as focused.
        QCOMPARE(list->GetItemState(2, LVIS_FOCUSED), LVIS_FOCUSED);
        QCOMPARE(list->GetItemState(1, LVIS_FOCUSED), 0u);

        // Keys other than Up and Down leave the current row alone.
        QTest::keyClick(list, Qt::Key_Home);
        QTest::keyClick(list, Qt::Key_PageDown);
        QCOMPARE(page->m_nCurrentRow, 2);

        for (int i = 0; i < 4; ++i)
            QTest::keyClick(list, Qt::Key_Up);
        QCOMPARE(page->m_nCurrentRow, 0);
    }

    void headerClicksSortTheRowsTheirFilesStayChosenAndTheNextRunSortsAlike()
    {
        const ConfigHome config;
        TestStore store;
        // A search lists them by name; their times and lengths are in other
        // orders.
        store.AddClip("Recording", "Sr-c.asf", "2006/03/14 10:00", "2006/03/14 10:05", 120);
        store.AddClip("Recording", "Sr-a.asf", "2006/03/14 11:00", "2006/03/14 11:05", 60);
        store.AddClip("Recording", "Sr-d.asf", "2006/03/14 08:00", "2006/03/14 08:05", 30);
        store.AddClip("Recording", "Sr-b.asf", "2006/03/14 09:00", "2006/03/14 09:05", 300);
        const std::string folder = store.Folder("Recording");
        auto page = ShowPage(store.Device(), m_launcher.get());
        MyListCtrl* list = List(*page);
        QHeaderView* header = list->horizontalHeader();
        // Until a click the rows are in the search's order.
        QVERIFY(!header->isSortIndicatorShown());

        const auto rowOf = [list](const std::string& name) {
            const std::vector<std::string> names = Names(*list);
            return static_cast<int>(std::find(names.begin(), names.end(), name) - names.begin());
        };
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, OnRow(*list, rowOf("Sr-a.asf")));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, OnRow(*list, rowOf("Sr-c.asf")));
        QTRY_COMPARE(list->GetItemText(page->m_nCurrentRow, 0), std::string("Sr-c.asf"));

        struct Step {
            int nColumn;
            std::vector<std::string> order;
            Qt::SortOrder indicator;
        };
        const Step steps[] = {
            {0, {"Sr-a.asf", "Sr-b.asf", "Sr-c.asf", "Sr-d.asf"}, Qt::AscendingOrder},
            {0, {"Sr-d.asf", "Sr-c.asf", "Sr-b.asf", "Sr-a.asf"}, Qt::DescendingOrder},
            // Newest and longest first, then the other way.
            {1, {"Sr-a.asf", "Sr-c.asf", "Sr-b.asf", "Sr-d.asf"}, Qt::DescendingOrder},
            {2, {"Sr-b.asf", "Sr-c.asf", "Sr-a.asf", "Sr-d.asf"}, Qt::DescendingOrder},
            {2, {"Sr-d.asf", "Sr-a.asf", "Sr-c.asf", "Sr-b.asf"}, Qt::AscendingOrder},
        };
        for (const Step& step : steps) {
            const QPoint point(header->sectionViewportPosition(step.nColumn) + 5, header->height() / 2);
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, point);
            QCOMPARE(Names(*list), step.order);
            QVERIFY(header->isSortIndicatorShown());
            QCOMPARE(header->sortIndicatorSection(), step.nColumn);
            QCOMPARE(header->sortIndicatorOrder(), step.indicator);
            // The current row and the selection stay on their files, and
            // the actions act on those.
            QCOMPARE(list->GetItemText(page->m_nCurrentRow, 0), std::string("Sr-c.asf"));
            for (int row = 0; row < 4; ++row)
                QCOMPARE(list->GetItemState(row, LVIS_SELECTED) != 0,
                         row == rowOf("Sr-a.asf") || row == rowOf("Sr-c.asf"));
        }
        QCOMPARE(page->GetSelectedPaths(), (std::vector<std::string>{folder + "/Sr-a.asf", folder + "/Sr-c.asf"}));
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Return);
        QTRY_COMPARE(m_launcher->Opened(), std::vector<std::string>{folder + "/Sr-b.asf"});

        // A search lists its rows in the chosen order.
        store.AddClip("Recording", "Sr-e.asf", "2006/03/14 07:00", "2006/03/14 07:05", 200);
        Click(*page, 1013);
        QCOMPARE(Names(*list), (std::vector<std::string>{"Sr-d.asf", "Sr-a.asf", "Sr-c.asf", "Sr-e.asf", "Sr-b.asf"}));

        // The next run sorts alike once it has read the choice.
        QTRY_COMPARE(config.Value("List/SortColumn").toInt(), 2);
        page.reset();
        auto next = ShowPage(store.Device(), m_launcher.get());
        QTRY_COMPARE(Names(*List(*next)),
                     (std::vector<std::string>{"Sr-d.asf", "Sr-a.asf", "Sr-c.asf", "Sr-e.asf", "Sr-b.asf"}));
        QCOMPARE(List(*next)->horizontalHeader()->sortIndicatorOrder(), Qt::AscendingOrder);
    }

    void tabStopsOncePerControlInTemplateOrderAndArrowsMoveBetweenPickerFields()
    {
        TestStore store;
        store.AddClip("Recording", "Sr0001.asf", "2006/03/14 10:00");
        auto page = ShowPage(store.Device(), m_launcher.get());
        QWindow* window = page->windowHandle();
        // The control that holds the focus, even when an inner editor has it.
        auto focused = [] {
            for (QWidget* w = QApplication::focusWidget(); w != nullptr; w = w->parentWidget())
                if (bool number = false; w->objectName().toInt(&number), number)
                    return w->objectName().toInt();
            return 0;
        };
        const QList<int> order = {1020, 1005, 1006, 1010, 1011, 1013, 1023, 1018, 1015, 1016, 1017, 1020};

        Item<QComboBox>(*page, 1020)->setFocus(Qt::TabFocusReason);
        QList<int> forward = {focused()};
        for (int i = 1; i < order.size(); ++i) {
            QTest::keyClick(window, Qt::Key_Tab);
            forward << focused();
        }
        QCOMPARE(forward, order);
        QList<int> backward = {focused()};
        for (int i = 1; i < order.size(); ++i) {
            QTest::keyClick(window, Qt::Key_Backtab, Qt::ShiftModifier);
            backward << focused();
        }
        std::reverse(backward.begin(), backward.end());
        QCOMPARE(backward, order);

        auto* startDate = Item<CDateTimeCtrl>(*page, 1005);
        startDate->setFocus(Qt::TabFocusReason);
        startDate->setCurrentSectionIndex(0);
        QList<int> fields;
        for (Qt::Key key : {Qt::Key_Right, Qt::Key_Right, Qt::Key_Right, Qt::Key_Left}) {
            QTest::keyClick(window, key);
            fields << startDate->currentSectionIndex();
        }
        QCOMPARE(fields, QList<int>({1, 2, 2, 1}));
        QCOMPARE(focused(), 1005);
    }

    void pickersTakeTypedDatesAndTimesFieldByField()
    {
        TestStore store;
        store.AddClip("Recording", "Sr0001.asf", "2006/03/14 10:00");
        auto page = ShowPage(store.Device(), m_launcher.get());
        QWindow* window = page->windowHandle();
        const auto type = [window](const char* keys) {
            for (const char* key = keys; *key != '\0'; ++key)
                QTest::keyClick(window, *key);
        };
        auto* startDate = Item<CDateTimeCtrl>(*page, 1005);
        auto* startTime = Item<CDateTimeCtrl>(*page, 1006);
        auto* endDate = Item<CDateTimeCtrl>(*page, 1010);
        auto* endTime = Item<CDateTimeCtrl>(*page, 1011);

        // A click on the month field makes it the one typed into, wherever
        // the caret was before; full fields and separators move on.
        auto* edit = startDate->findChild<QLineEdit*>(QString(), Qt::FindDirectChildrenOnly);
        edit->setCursorPosition(1);
        const QPoint month = edit->inputMethodQuery(Qt::ImCursorRectangle).toRect().center();
        edit->setCursorPosition(static_cast<int>(edit->text().size()));
        QCOMPARE(startDate->currentSection(), QDateTimeEdit::YearSection);
        QTest::mouseClick(edit, Qt::LeftButton, {}, month);
        QCOMPARE(startDate->currentSection(), QDateTimeEdit::MonthSection);
        type("12-01-26");
        QCOMPARE(startDate->date(), QDate(2026, 12, 1));
        // A day the month does not have is refused with a note, and the day
        // stays as it was, not turned into another.
        QTest::mouseClick(edit, Qt::LeftButton, {}, month);
        type("02-30");
        QCOMPARE(QToolTip::text(), QStringLiteral("February 2026 has no day 30."));
        type("-26");
        QCOMPARE(startDate->date(), QDate(2026, 2, 1));
        QTest::mouseClick(edit, Qt::LeftButton, {}, month);
        type("12-01-26");
        QCOMPARE(startDate->date(), QDate(2026, 12, 1));

        // Tab goes on to the time, its hours first; 9 fills them.
        QTest::keyClick(window, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), startTime);
        type("930");
        QCOMPARE(startTime->text(), QString("09:30"));

        // A separator ends a field typed in part.
        QTest::keyClick(window, Qt::Key_Tab);
        type("1-5-27");
        QCOMPARE(endDate->date(), QDate(2027, 1, 5));
        QTest::keyClick(window, Qt::Key_Tab);
        type("23:59");
        QCOMPARE(endTime->text(), QString("23:59"));
        // Up and Down step the field round, without carrying.
        QTest::keyClick(window, Qt::Key_Up);
        QTest::keyClick(window, Qt::Key_Left);
        QTest::keyClick(window, Qt::Key_Down);
        QCOMPARE(endTime->text(), QString("22:00"));
        // A time picker has no calendar, and the keys that open one leave it as it was.
        QTest::keyClick(window, Qt::Key_Down, Qt::AltModifier);
        QTest::keyClick(window, Qt::Key_F4);
        QVERIFY(QApplication::activePopupWidget() == nullptr);
        QCOMPARE(endTime->text(), QString("22:00"));

        // Alt+Down and F4 open a date picker's calendar, which the keys work:
        // Right and Enter take the next day, Escape leaves the date alone.
        startDate->setFocus(Qt::TabFocusReason);
        QTest::keyClick(window, Qt::Key_Down, Qt::AltModifier);
        QWidget* popup = QApplication::activePopupWidget();
        QVERIFY(popup != nullptr);
        QCOMPARE(popup->findChild<QCalendarWidget*>()->selectedDate(), QDate(2026, 12, 1));
        QTest::keyClick(popup->windowHandle(), Qt::Key_Right);
        QTest::keyClick(popup->windowHandle(), Qt::Key_Return);
        QTRY_VERIFY(QApplication::activePopupWidget() == nullptr);
        QCOMPARE(startDate->date(), QDate(2026, 12, 2));
        endDate->setFocus(Qt::TabFocusReason);
        QTest::keyClick(window, Qt::Key_F4);
        popup = QApplication::activePopupWidget();
        QVERIFY(popup != nullptr);
        QTest::keyClick(popup->windowHandle(), Qt::Key_Right);
        QTest::keyClick(popup->windowHandle(), Qt::Key_Escape);
        QTRY_VERIFY(QApplication::activePopupWidget() == nullptr);
        QCOMPARE(endDate->date(), QDate(2027, 1, 5));

        // The search takes the range as typed.
        Click(*page, 1013);
        QCOMPARE(page->m_tSearchStart.GetTime(), CTime(2026, 12, 2, 9, 30, 0).GetTime());
        QCOMPARE(page->m_tSearchEnd.GetTime(), CTime(2027, 1, 5, 22, 0, 0).GetTime());
    }

    void pageKeysScrollTheListAndACurrentRowIsAlwaysInView()
    {
        TestStore store;
        for (int i = 0; i < 80; ++i)
            store.AddClip("Recording", "Sr" + std::to_string(100 + i) + ".asf", "2006/03/14 10:00");
        auto page = ShowPage(store.Device(), m_launcher.get());
        QWindow* window = page->windowHandle();
        MyListCtrl* list = List(*page);
        QScrollBar* rows = list->verticalScrollBar();
        QScrollBar* across = list->horizontalScrollBar();
        const auto inView = [list](int row) {
            const QRect rect = list->GetItemRect(row, LVIR_BOUNDS);
            return rect.top() >= 0 && rect.bottom() < list->viewport()->height();
        };
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, OnRow(*list, 2));
        QTRY_COMPARE(page->m_nCurrentRow, 2);

        // Page Down, Page Up, End and Home scroll up and down only, and leave
        // the current row where it is.
        QTest::keyClick(window, Qt::Key_PageDown);
        const int onePage = rows->value();
        QVERIFY(onePage > 0 && !inView(2));
        QTest::keyClick(window, Qt::Key_PageDown);
        QVERIFY(rows->value() > onePage);
        QTest::keyClick(window, Qt::Key_PageUp);
        QCOMPARE(rows->value(), onePage);
        QTest::keyClick(window, Qt::Key_End);
        QCOMPARE(rows->value(), rows->maximum());
        QTest::keyClick(window, Qt::Key_Home);
        QCOMPARE(rows->value(), 0);
        QCOMPARE(across->value(), 0);
        QCOMPARE(page->m_nCurrentRow, 2);

        // A row made current comes into view, from wherever the list was.
        QTest::keyClick(window, Qt::Key_End);
        QTest::keyClick(window, Qt::Key_Down);
        QCOMPARE(page->m_nCurrentRow, 3);
        QVERIFY(inView(3));
        QTest::keyClick(window, Qt::Key_End, Qt::ShiftModifier);
        QCOMPARE(page->m_nCurrentRow, 79);
        QVERIFY(inView(79));
        QTest::keyClick(window, Qt::Key_Home);
        QTest::keyClick(window, Qt::Key_Up);
        QCOMPARE(page->m_nCurrentRow, 78);
        QVERIFY(inView(78));
        QCOMPARE(across->value(), 0);

        // The row with the list's focus is marked while the list has it.
        const QRect row = list->GetItemRect(78, LVIR_BOUNDS);
        const QImage focused = list->viewport()->grab().toImage();
        QTest::keyClick(window, Qt::Key_Tab);
        QVERIFY(!list->hasFocus());
        const QImage unfocused = list->viewport()->grab().toImage();
        const auto differs = [&](int y) {
            for (int x = 0; x < list->viewport()->width(); ++x)
                if (focused.pixel(x, y) != unfocused.pixel(x, y))
                    return true;
            return false;
        };
        QVERIFY(differs(row.top()) && differs(row.bottom()));
        QVERIFY(!differs(row.top() - MyListCtrl::kRowHeight / 2));
    }

    void aDoubleClickOrEnterPlaysTheRowAndF5SearchesAgain()
    {
        TestStore store;
        for (int i = 0; i < 3; ++i)
            store.AddClip("Recording", "Sr000" + std::to_string(i) + ".asf", "2006/03/14 10:00");
        auto page = ShowPage(store.Device(), m_launcher.get());
        MyListCtrl* list = List(*page);
        QCOMPARE(page->m_nCurrentRow, 0);

        RealDoubleClick(list->viewport(), OnRow(*list, 2));
        QTRY_COMPARE(m_launcher->Opened().size(), std::size_t(1));
        QCOMPARE(page->m_nCurrentRow, 2);
        QCOMPARE(m_launcher->Opened().front(), store.Folder("Recording") + "/" + list->GetItemText(2, 0));
        QCOMPARE(list->GetItemState(2, LVIS_SELECTED | LVIS_FOCUSED), LVIS_SELECTED | LVIS_FOCUSED);
        QCOMPARE(list->GetItemState(0, LVIS_SELECTED | LVIS_FOCUSED), 0u);

        // Enter, and the keypad's, play the current row as a double click does.
        // Each launch runs on its own: one at a time, to know which came.
        QTest::keyClick(list, Qt::Key_Up);
        QTest::keyClick(list, Qt::Key_Return);
        QTRY_COMPARE(m_launcher->Opened().size(), std::size_t(2));
        QCOMPARE(m_launcher->Opened()[1], store.Folder("Recording") + "/" + list->GetItemText(1, 0));
        QTest::keyClick(list, Qt::Key_Up);
        QTest::keyClick(list, Qt::Key_Enter, Qt::KeypadModifier);
        QTRY_COMPARE(m_launcher->Opened().size(), std::size_t(3));
        QCOMPARE(m_launcher->Opened()[2], store.Folder("Recording") + "/" + list->GetItemText(0, 0));

        // F5 searches again, wherever the focus is on the page.
        store.AddClip("Recording", "Sr0003.asf", "2006/03/14 10:00");
        Item<QComboBox>(*page, 1020)->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F5);
        WaitForSearch(*page);
        QCOMPARE(list->GetItemCount(), 4);
    }

    void playbackAndExploreReportOnlyAMissingAssociation()
    {
        TestStore store;
        store.AddClip("Recording", "Sr0001.asf", "2006/03/14 10:00");
        auto page = ShowPage(store.Device(), m_launcher.get());

        m_launcher->SetResult(ShellLauncher::Result::Failed);
        Click(*page, 1015);
        Click(*page, 1017);
        QTRY_COMPARE(DetachedTask::LiveThreads(), 0);
        QCoreApplication::processEvents();
        QVERIFY(m_messages->Texts().empty());

        // Both launches report, however close together.
        m_launcher->SetResult(ShellLauncher::Result::NoAssociation);
        Click(*page, 1015);
        Click(*page, 1017);
        QTRY_COMPARE(m_messages->Texts().size(), std::size_t(2));
        QVERIFY(std::ranges::find(m_messages->Texts(), "Unable to play ASF file") != m_messages->Texts().end());
        QVERIFY(std::ranges::find(m_messages->Texts(), "Unable to open the document") != m_messages->Texts().end());

        // Explore names the folder; the actions use the folder of the last
        // search even after the category box changed.
        Item<QComboBox>(*page, 1020)->setCurrentIndex(1);
        Click(*page, 1017);
        QTRY_COMPARE(m_launcher->Explored().size(), std::size_t(3));
        QCOMPARE(m_launcher->Explored().back(), store.Folder("Recording"));
        QCOMPARE(m_launcher->Opened().back(), store.Folder("Recording") + "/Sr0001.asf");
    }

    void theCurrentRowIsHighlightedAndOthersHaveTheirOwnBackground()
    {
        TestStore store;
        // Long enough to need fitting in any font.
        store.AddClip("Recording", "Sr" + std::string(200, 'W') + ".asf", "2006/03/14 10:00");
        store.AddClip("Recording", "Sr0002.asf", "2006/03/14 11:00");
        auto page = ShowPage(store.Device(), m_launcher.get());
        MyListCtrl* list = List(*page);
        const int longRow = list->GetItemText(0, 0).size() > 20 ? 0 : 1;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, OnRow(*list, 1 - longRow));
        QTRY_COMPARE(page->m_nCurrentRow, 1 - longRow);
        list->viewport()->repaint();

        const QImage image = list->viewport()->grab().toImage();
        const QColor highlight = list->palette().color(QPalette::Highlight);
        const QRect current = list->GetItemRect(1 - longRow, LVIR_BOUNDS);
        const QRect other = list->GetItemRect(longRow, LVIR_BOUNDS);
        // Blank ends of the time cells, clear of text and grid lines.
        const int blank = list->GetItemRect(0, LVIR_LABEL).right() + list->columnWidth(1) - 3;
        QCOMPARE(image.pixelColor(blank, current.top() + 2), highlight);
        QCOMPARE(image.pixelColor(blank, other.top() + 2), QColor(250, 250, 255));

        // The long name was cut to its cell: the inset strip at the start of
        // the next cell holds no ink.
        const int nextCell = list->GetItemRect(longRow, LVIR_LABEL).right() + 1;
        for (int x = nextCell + 1; x < nextCell + 6; ++x)
            for (int y = other.top(); y < other.bottom(); ++y)
                QCOMPARE(image.pixelColor(x, y), QColor(250, 250, 255));

        // The list's marks agree with what is drawn.
        QCOMPARE(list->GetItemState(1 - longRow, LVIS_SELECTED | LVIS_FOCUSED), LVIS_SELECTED | LVIS_FOCUSED);
        QCOMPARE(list->GetItemState(longRow, LVIS_SELECTED | LVIS_FOCUSED), 0u);
    }

    void rowsStayReadableUnderADarkThemeAndALargeFont()
    {
        TestStore store;
        for (const char* name : {"Sr_0001.asf", "Sr_0002.asf", "Sr_0003.asf"})
            store.AddClip("Recording", name, "2006/03/14 10:00");
        auto page = ShowPage(store.Device(), m_launcher.get());
        MyListCtrl* list = List(*page);
        // The fonts of a 96-DPI screen keep the rows at 16 pixels.
        QCOMPARE(list->RowHeight(), MyListCtrl::kRowHeight);

        // A dark theme: light text on a dark ground, all but the rows.
        QPalette dark = page->palette();
        dark.setColor(QPalette::Text, QColor(238, 238, 236));
        dark.setColor(QPalette::WindowText, QColor(238, 238, 236));
        dark.setColor(QPalette::Base, QColor(45, 45, 45));
        dark.setColor(QPalette::Window, QColor(53, 53, 53));
        page->setPalette(dark);
        // Half as large again, as at 144 DPI.
        QFont font = list->font();
        font.setPixelSize(QFontInfo(font).pixelSize() * 3 / 2);
        list->setFont(font);
        const QFontMetrics metrics(font);
        QVERIFY(list->RowHeight() > metrics.height());
        list->viewport()->repaint();

        // Row 1 is not the current row: its text is drawn on the fixed
        // near-white ground, and must stand out from it (WCAG's 4.5:1).
        const QImage image = list->viewport()->grab().toImage();
        const QRect cell = list->GetItemRect(1, LVIR_LABEL);
        const QColor ground(250, 250, 255);
        const auto luminance = [](QColor c) {
            const auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
            return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
        };
        const auto contrast = [&](QColor c) {
            const double a = luminance(c), b = luminance(ground);
            return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
        };
        double strongest = 1;
        int lowestInk = -1;
        // Clear of the grid lines on the cell's right and bottom edges.
        for (int y = cell.top(); y < cell.bottom(); ++y)
            for (int x = cell.left(); x < cell.right() - 1; ++x) {
                const double c = contrast(image.pixelColor(x, y));
                strongest = std::max(strongest, c);
                if (c > 1.5)
                    lowestInk = y;
            }
        QVERIFY2(strongest >= 4.5, qPrintable(QString::number(strongest)));
        // The underscores of the name are drawn inside the row, below the
        // text's baseline and above the grid line.
        const int baseline = cell.top() + (cell.height() - metrics.height()) / 2 + metrics.ascent();
        QVERIFY2(lowestInk > baseline, qPrintable(QStringLiteral("%1 %2").arg(lowestInk).arg(baseline)));
    }

    void controlsAreNamedForAssistiveTechnology()
    {
        TestStore store;
        store.WriteAppIni("[Clipscout]\nS_Start=From\n");
        for (int i = 1; i <= 4; ++i)
            store.AddClip("Recording", "Sr000" + std::to_string(i) + ".asf",
                          "2006/03/14 1" + std::to_string(i) + ":00");
        auto page = ShowPage(store.Device(), m_launcher.get());
        const auto name = [](QWidget* control) {
            return QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name);
        };
        const auto labelOf = [](QWidget* control) -> QObject* {
            const auto relations = QAccessible::queryAccessibleInterface(control)->relations(QAccessible::Label);
            return relations.isEmpty() ? nullptr : relations.first().first->object();
        };
        struct Expected {
            int nControl;
            const char* szName; // null: the platform's own name
            int nLabel;         // 0: linked by name only
        };
        // A combo box is named by its value on this platform; its label comes
        // through the link.
        for (const Expected& expected :
             {Expected{1020, nullptr, 1019}, Expected{1005, "From (date)", 1021}, Expected{1006, "From (time)", 0},
              Expected{1010, "End Date/Time (date)", 1022}, Expected{1011, "End Date/Time (time)", 0}}) {
            QWidget* control = page->GetDlgItem(expected.nControl);
            if (expected.szName)
                QCOMPARE(name(control), QString::fromLatin1(expected.szName));
            if (expected.nLabel != 0)
                QCOMPARE(labelOf(control), page->GetDlgItem(expected.nLabel));
        }

        MyListCtrl* list = List(*page);
        QCOMPARE(name(list), QStringLiteral("Recorded files"));
        // Three columns as the reader sees them: the empty fourth is not there.
        QAccessibleTableInterface* table = QAccessible::queryAccessibleInterface(list)->tableInterface();
        QVERIFY(table != nullptr);
        QCOMPARE(table->columnCount(), 3);

        // The reader learns which rows are selected and which is current, as
        // the list shows them, whichever way they came to be.
        const auto marks = [table](int row) {
            QString text;
            for (int column = 0; column < 3; ++column) {
                const QAccessible::State state = table->cellAt(row, column)->state();
                text += state.selected ? (state.focused ? QLatin1Char('F') : QLatin1Char('S'))
                                       : (state.focused ? QLatin1Char('f') : QLatin1Char('-'));
            }
            return text;
        };
        const auto expect = [&](const QList<int>& selected, int current) {
            for (int row = 0; row < 4; ++row) {
                const QString want = QString::fromLatin1(selected.contains(row) ? (row == current ? "FSS" : "SSS")
                                                                                : (row == current ? "f--" : "---"));
                if (marks(row) != want)
                    return QStringLiteral("row %1: %2 instead of %3").arg(row).arg(marks(row), want);
            }
            if (table->selectedRows() != selected || table->selectedCellCount() != 3 * selected.size())
                return QStringLiteral("selected rows differ");
            return QString();
        };
        QTRY_COMPARE(expect({0}, 0), QString());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, OnRow(*list, 2));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ShiftModifier, OnRow(*list, 1));
        QTRY_COMPARE(expect({1, 2}, 1), QString());
        QTest::keyClick(list, Qt::Key_Down, Qt::ShiftModifier);
        QTRY_COMPARE(expect({2}, 2), QString());
        QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
        QTRY_COMPARE(expect({0, 1, 2, 3}, 2), QString());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, OnRow(*list, 3));
        QTRY_COMPARE(expect({0, 1, 2}, 3), QString());
        QTest::keyClick(list, Qt::Key_Up);
        QTRY_COMPARE(expect({2}, 2), QString());
    }

private:
    std::unique_ptr<MessageRecorder> m_messages;
    std::unique_ptr<RecordingLauncher> m_launcher;
};

QTEST_MAIN(SearchPageTest)
#include "SearchPageTest.moc"
