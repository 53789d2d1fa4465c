#include "search_page/StoragePage.h"
#include "support/PageTestKit.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <filesystem>

class StoragePageTest : public QObject {
    Q_OBJECT

private slots:
    void countsEachCamerasCategoriesOffTheWindowsThreadAndAgainOnRefresh()
    {
        TestStore store;
        const std::string cam2 = store.Root() + "/store/Cam2/MotionDetection";
        std::filesystem::create_directories(cam2);
        store.AddClip("Recording", "Sr0001.asf", "2006/03/14 10:00");
        store.AddClip("Recording", "Sr0002.asf", "2004/12/31 23:59");
        store.AddClip("Recording", "Ir0001.asf", "2006/03/15 08:00");
        TestStore::Write(cam2 + "/Md0001.asf", std::string(40, 'x'));
        const std::string clip = clipbytes::AsfClip(1230000000, 0, "NC2007/01/02 03:04,2007/01/02 03:05");
        TestStore::Write(cam2 + "/Md0002.asf", clip);

        WindowThreadCheck::TurnOn();
        WindowThreadCheck::DeclareWindowThread();
        StoragePage page("Storage", store.Root() + "/store", {"Cam1", "Cam2"});
        QSignalSpy counted(&page, &StoragePage::Counted);
        page.show();
        QVERIFY(counted.wait(kWaitBoundMs));
        auto* table = page.findChild<QTableWidget*>(QStringLiteral("storageTable"));
        QVERIFY(table != nullptr);
        const auto rows = [table] {
            QStringList shown;
            for (int row = 0; row < table->rowCount(); ++row) {
                QStringList cells;
                for (int column = 0; column < StoragePage::kColumns; ++column)
                    if (column != StoragePage::Size)
                        cells << table->item(row, column)->text();
                shown << cells.join(QLatin1Char('|'));
            }
            return shown;
        };
        // Every camera's four categories over all time, 2004 too; a file that
        // is no clip is not counted.
        QCOMPARE(rows(),
                 (QStringList{"Cam1|Scheduled Recording|2|12/31/04  23:59|03/14/06  10:00", "Cam1|SnapShot|0||",
                              "Cam1|Instant Recording|1|03/15/06  08:00|03/15/06  08:00", "Cam1|Motion Detection|0||",
                              "Cam2|Scheduled Recording|0||", "Cam2|SnapShot|0||", "Cam2|Instant Recording|0||",
                              "Cam2|Motion Detection|1|01/02/07  03:04|01/02/07  03:04"}));
        QCOMPARE(table->item(7, StoragePage::Size)->text(),
                 QLocale::c().formattedDataSize(static_cast<qint64>(clip.size()), 1, QLocale::DataSizeSIFormat));

        // A clip recorded since shows after Refresh.
        OffTheWindowThread([&] { TestStore::Write(cam2 + "/Md0003.asf", clip); });
        QTest::mouseClick(page.findChild<QPushButton*>(QStringLiteral("storageRefresh")), Qt::LeftButton);
        QVERIFY(counted.wait(kWaitBoundMs));
        QCOMPARE(table->item(7, StoragePage::Recordings)->text(), QStringLiteral("2"));
        QCOMPARE(page.findChild<QLabel*>(QStringLiteral("storageProgress"))->text(),
                 QStringLiteral("Every recording counted"));
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    StoragePageTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "StoragePageTest.moc"
