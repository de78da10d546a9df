// The My Games page: a scan on the worker thread, its rows and counts as the
// scan gives them, and the ways from a scanned image to the other pages.
#include "QtPrinters.h"
#include "UiFixture.h"
#include "app/list/MainList.h"
#include "app/scan/GameScan.h"
#include "app/settings/SettingsKeys.h"
#include "app/ui/BootFlagBox.h"
#include "app/ui/CustomListPage.h"
#include "app/ui/MainWindow.h"
#include "app/ui/MessagePanel.h"
#include "app/ui/MyGamesPage.h"
#include "app/ui/SortedListView.h"
#include "tests/support/SparseImage.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace quorvane::app {
namespace {

using ::quorvane::test::ImageHeadBytes;
using ::quorvane::test::WriteSparseImage;

class MyGames : public test::UiFixture {
protected:
    void SetUp() override
    {
        test::UiFixture::SetUp();
        writeFile("gcmList.xml", test::ListFile("5", test::GcmRecord("Harbor Run", "1", "GHRE01") +
                                                         test::GcmRecord("Stone Maze", "2", "GSME01") +
                                                         test::GcmRecord("Harbor Runner", "1", "GHXE01")));
        const std::filesystem::path games = path("my games").toStdString();
        WriteSparseImage(games / "harbor.iso", ImageHeadBytes("GHRE01"));
        WriteSparseImage(games / "maze" / "maze.gcm", ImageHeadBytes("GSME01"));
        WriteSparseImage(games / "Homebrew.Demo.iso", ImageHeadBytes("GHBE01"));
        writeFile("my games/notes.txt", "x");
        window = std::make_unique<MainWindow>();
        page = window->TabSheet3;
    }

    void scan(const QString& folder)
    {
        page->scanFolder->setText(folder);
        QTest::mouseClick(page->btnScan, Qt::LeftButton);
        EXPECT_TRUE(QTest::qWaitFor([this] { return !page->Scanning(); }, 10000));
    }

    /// Makes the row whose caption is `name` the view's current row.
    int select(const QString& name)
    {
        const SortedListModel& rows = page->gamesView->rows();
        for (int i = 0; i < rows.size(); ++i) {
            if (rows.item(i).caption == name) {
                page->gamesView->setCurrentIndex(rows.index(i, 0));
                return i;
            }
        }
        ADD_FAILURE() << "no row " << name.toStdString();
        return -1;
    }

    std::unique_ptr<MainWindow> window;
    MyGamesPage* page = nullptr;
};

TEST_F(MyGames, ScanShowsTheRowsAndCountsOfTheScanAndFillsTheEditor)
{
    ASSERT_EQ(window->PageControl1->tabText(2).remove('&'), "My Games");
    // A settings file readable by others is made private by the save.
    writeFile("config/quorvane/quorvane.conf", "");
    ASSERT_EQ(::chmod(QFile::encodeName(configFolder() + "/quorvane/quorvane.conf").constData(), 0644), 0);
    // The page's counts stand in the message panel while the page is shown;
    // panel 0 keeps the List Summary, and the other pages their message.
    const QString listSummary = window->StatusText();
    window->Messages().SetLasting(QStringLiteral("1 found"));
    window->PageControl1->setCurrentWidget(page);
    EXPECT_EQ(window->Messages().text(), "");
    scan(path("my games"));
    EXPECT_TRUE(asker.errors.empty()) << asker.errors.front().toStdString();
    const QString counts = "Images [3] Boot [1] Do not boot [1] Not in list [1] Other files [1] Unreadable [0]";
    EXPECT_EQ(window->Messages().text(), counts);
    EXPECT_EQ(page->scanCounts->text(), counts);
    EXPECT_EQ(window->StatusText(), listSummary);
    window->PageControl1->setCurrentWidget(window->TabSheet1);
    EXPECT_EQ(window->Messages().text(), "1 found");
    window->PageControl1->setCurrentWidget(page);
    EXPECT_EQ(window->Messages().text(), counts);

    // The rows of the same scan run directly, in the same order.
    MainList list;
    GameScan::LoadMainList(list);
    const ScanReport report = GameScan::Run(list, QFile::encodeName(path("my games")).toStdString());
    const SortedListModel& rows = page->gamesView->rows();
    ASSERT_EQ(rows.size(), 3);
    for (int i = 0; i < rows.size(); ++i) {
        const ScannedImage& image = report.images[static_cast<std::size_t>(i)];
        const ListItem& row = rows.item(i);
        EXPECT_EQ(row.caption, image.ShownName());
        EXPECT_EQ(row.subItems, (std::array<QString, 6>{image.gameId, QString::number(image.disc), image.StatusText(),
                                                        image.notes, image.instructions, image.path}));
    }
    EXPECT_EQ(rows.item(0).caption, "Harbor Run");
    EXPECT_EQ(rows.item(0).image, BootImage::Tick);
    EXPECT_EQ(rows.item(1).caption, "Homebrew.Demo.iso");
    EXPECT_EQ(rows.item(1).image, BootImage::NotInList);
    EXPECT_EQ(rows.item(2).subItems[5], "maze/maze.gcm");
    EXPECT_EQ(rows.item(2).image, BootImage::Cross);

    // An image not in the list starts a record named after its file, and
    // nothing typed for another record stays: the flag is the user's to set.
    window->TabSheet2->strGNotes->setText("Boots, menus slow");
    window->TabSheet2->strGSSize->setText("120");
    window->TabSheet2->strGGood->SetFlag("1");
    window->TabSheet2->strGNick->setText("reedling");
    window->TabSheet2->strGBootNotes->setText("Hold B");
    select("Homebrew.Demo.iso");
    QTest::mouseClick(page->btnAddToCustomList, Qt::LeftButton);
    EXPECT_EQ(window->PageControl1->currentWidget(), window->TabSheet2);
    EXPECT_EQ(window->Messages().text(), "1 found");
    EXPECT_EQ(window->TabSheet2->strGID->text(), "GHBE01");
    EXPECT_EQ(window->TabSheet2->strGName->text(), "Homebrew.Demo");
    for (QLineEdit* field :
         {window->TabSheet2->strGNotes, window->TabSheet2->strGSSize, window->TabSheet2->strGBootNotes})
        EXPECT_EQ(field->text(), "") << field->objectName().toStdString();
    EXPECT_EQ(window->TabSheet2->strGGood->Flag(), "");
    EXPECT_EQ(window->TabSheet2->strGNick->text(), "reedling");
    window->PageControl1->setCurrentWidget(page);
    select("Stone Maze");
    QTest::mouseClick(page->btnAddToCustomList, Qt::LeftButton);
    EXPECT_EQ(window->TabSheet2->strGID->text(), "GSME01");
    EXPECT_EQ(window->TabSheet2->strGName->text(), "Stone Maze");

    // A double-click shows the record on the search page, bootable or not,
    // searching the Main List also while the Custom List is shown; unchecking
    // the box on the way runs no Show of its own (the summary stays).
    writeFile("custGCMList.xml",
              test::ListFile("1", test::GcmRecord("Custom Boots", "1") + test::GcmRecord("Custom Hangs", "2")));
    window->ShowCustomListGCMs1->trigger();
    QTest::mouseClick(window->dispBoot, Qt::LeftButton);
    ASSERT_TRUE(window->dispBoot->isChecked());
    const QString summary = window->StatusText();
    EXPECT_TRUE(summary.endsWith("[Good: 1] [Bad: 0]")) << summary.toStdString();
    page->gamesViewDblClick(select("Stone Maze"));
    EXPECT_EQ(window->PageControl1->currentWidget(), window->TabSheet1);
    EXPECT_FALSE(window->dispBoot->isChecked());
    EXPECT_EQ(window->gcmName->text(), "Stone Maze");
    ASSERT_EQ(window->List->rows().size(), 1);
    EXPECT_EQ(window->List->rows().item(0).subItems[0], "GSME01");
    EXPECT_EQ(window->StatusText(), summary);

    // The folder is offered again at the next start.
    const QString kept =
        QSettings(QSettings::NativeFormat, QSettings::UserScope, SettingsOrganization, SettingsApplication)
            .value(ScanFolderKey)
            .toString();
    EXPECT_EQ(kept, path("my games"));
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(configFolder() + "/quorvane/quorvane.conf").constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(MainWindow().TabSheet3->scanFolder->text(), kept);
}

TEST_F(MyGames, AMissingFolderEndsInTheErrorBox)
{
    scan(path("nowhere"));
    ASSERT_EQ(asker.errors.size(), 1u);
    EXPECT_EQ(asker.errors[0], "Cannot scan folder \"" + path("nowhere") + "\". No such file or directory.");
    EXPECT_TRUE(page->btnScan->isEnabled());
}

} // namespace
} // namespace quorvane::app
