// Writes PNG pictures of the windows and questions for the documentation:
//   quorvane-screenshots LIST_FILE OUTPUT_DIR
// The Main Window opens on LIST_FILE (copied as "gcmList.xml" into a
// temporary working directory) and shows it with "Show Palavera List GCM's";
// the My Games page scans a folder of sparse images named after records of
// the sample list. Settings go to the temporary directory, never the user's.

#include "app/list/CustomListWriter.h"
#include "app/ui/AboutWindow.h"
#include "app/ui/Asker.h"
#include "app/ui/BootFlagBox.h"
#include "app/ui/CertificateDialog.h"
#include "app/ui/ChangesWindow.h"
#include "app/ui/CustomListPage.h"
#include "app/ui/DownloadWindow.h"
#include "app/ui/KeepersWindow.h"
#include "app/ui/MainWindow.h"
#include "app/ui/MessageDialog.h"
#include "app/ui/MyGamesPage.h"
#include "app/ui/ReportTableModel.h"
#include "app/ui/SendPreviewDialog.h"
#include "app/ui/SortedListView.h"
#include "app/update/SubmitFlow.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPixmap>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeView>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace quorvane::app;

namespace {

/// Keeps the run free of waiting for a user: error boxes are recorded
/// instead of shown, questions get the close box's answer, and modal runs
/// end at once.
class RecordingAsker : public Asker {
public:
    RecordingAsker() { previous_ = Asker::install(this); }
    ~RecordingAsker() override { Asker::install(previous_); }
    RecordingAsker(const RecordingAsker&) = delete;
    RecordingAsker& operator=(const RecordingAsker&) = delete;

    int question(const QString&, MsgDlgType, MsgDlgButtons) override { return MrCancel; }
    void showError(const QString& text) override { errors.push_back(text); }
    int runModal(QDialog& window) override { return window.result(); }

    std::vector<QString> errors;

private:
    Asker* previous_ = nullptr;
};

/// A listing as an update server would show it; no network is involved.
struct SampleListing : DownloadBehaviour {
    void FormCreate(DownloadWindow& window) override
    {
        window.SetStatusText(QStringLiteral("UNIX Type: L8"));
        window.SetListLines({
            QStringLiteral("-rw-r--r--   1 ftp      ftp         48213 Nov 30 18:02 gcmList.xml"),
            QStringLiteral("-rw-r--r--   1 ftp      ftp          1870 Nov 02 09:41 readme.txt"),
            QStringLiteral("drwxr-xr-x   2 ftp      ftp          4096 Oct 11 21:15 old"),
        });
        window.SetGuideText(QStringLiteral("Double-click gcmList.xml, or press Download, to fetch the list."));
        window.SelectFile(QStringLiteral("gcmList.xml"));
    }
    void ListDblClick(DownloadWindow&) override {}
};

/// A disc image as the scan meets it: the game ID and disc byte at the
/// start, stretched to a full image's size without taking disk space.
bool writeImage(const QString& path, const char* head)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const bool ok = fd >= 0 && ::write(fd, head, 7) == 7 && ::ftruncate(fd, 1459978240) == 0;
    if (fd >= 0)
        ::close(fd);
    return ok;
}

/// "My Games" under `work`: images of records of the sample list, a second
/// disc, an image the list does not hold, and a file that is no image.
bool writeCollection(const QDir& work)
{
    if (!work.mkpath(QStringLiteral("My Games/Racing")))
        return false;
    const QDir games(work.filePath(QStringLiteral("My Games")));
    bool ok = writeImage(games.filePath(QStringLiteral("Brisk Castle Quarry.iso")), "QBCJ76\0");
    ok = writeImage(games.filePath(QStringLiteral("Quiet Engine.gcm")), "QCWP10\0") && ok;
    ok = writeImage(games.filePath(QStringLiteral("Racing/Wandering Grove Rally.iso")), "QPFP48\0") && ok;
    ok = writeImage(games.filePath(QStringLiteral("Racing/Frosted Relic Zero.iso")), "QZQE47\0") && ok;
    ok = writeImage(games.filePath(QStringLiteral("Lunar Glacier II (disc 1).iso")), "QGUJ66\0") && ok;
    ok = writeImage(games.filePath(QStringLiteral("Lunar Glacier II (disc 2).iso")), "QGUJ66\1") && ok;
    ok = writeImage(games.filePath(QStringLiteral("Homebrew Demo.iso")), "QHBE01\0") && ok;
    QFile cover(games.filePath(QStringLiteral("cover.png")));
    return cover.open(QIODevice::WriteOnly) && ok;
}

/// The record of `list` whose game ID is `id`, with its line end.
QRegularExpression recordOf(const char* id)
{
    return QRegularExpression(
        QStringLiteral("<GCM>(?:(?!</GCM>).)*<GAMEID>%1</GAMEID>.*?</GCM>\\r?\\n").arg(QString::fromLatin1(id)),
        QRegularExpression::DotMatchesEverythingOption);
}

/// "gcmList.previous.xml" in `work`: the sample list as it was before an
/// invented update, which turned two boot flags, rewrote one game's notes,
/// added one game and dropped another.
bool writePreviousList(const QString& listFile, const QDir& work)
{
    QFile in(listFile);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    QString text = QString::fromUtf8(in.readAll());
    const auto edit = [&text](const char* id, const QString& from, const QString& to) {
        const QRegularExpressionMatch found = recordOf(id).match(text);
        if (found.hasMatch())
            text.replace(found.capturedStart(), found.capturedLength(), found.captured().replace(from, to));
    };
    edit("QBCJ76", QStringLiteral("<GOOD>1</GOOD>"), QStringLiteral("<GOOD>2</GOOD>"));
    edit("QCWP10", QStringLiteral("<GOOD>2</GOOD>"), QStringLiteral("<GOOD>1</GOOD>"));
    edit("QEHJ20", QStringLiteral("<NOTES>"), QStringLiteral("<NOTES>Untested. "));
    const QRegularExpressionMatch added = recordOf("QPFP48").match(text);
    if (added.hasMatch()) {
        QString dropped = added.captured();
        dropped.replace(QRegularExpression(QStringLiteral("<GAMENAME>[^<]*</GAMENAME>")),
                        QStringLiteral("<GAMENAME>Faded Signal Derby</GAMENAME>"));
        dropped.replace(QStringLiteral("QPFP48"), QStringLiteral("QFSD01"));
        text.replace(added.capturedStart(), added.capturedLength(), dropped);
    }
    QFile out(work.filePath(QStringLiteral("gcmList.previous.xml")));
    return out.open(QIODevice::WriteOnly) && out.write(text.toUtf8()) >= 0;
}

/// A report's record: name, ID, notes, flag, nick and instructions.
ListItem reportRecord(const char* name, const char* id, const char* notes, const char* good, const char* nick,
                      const char* instructions)
{
    return {QString::fromUtf8(name),
            {QString::fromLatin1(id), QString::fromUtf8(notes), QStringLiteral("?"), QString::fromLatin1(good),
             QString::fromUtf8(nick), QString::fromUtf8(instructions)},
            BootImage::Cross};
}

/// "reports/" in `work`: two players' reports on games of the sample list
/// (one of them on a game the list does not hold yet) and one that is no
/// list at all.
bool writeReports(const QDir& work)
{
    if (!work.mkpath(QStringLiteral("reports")))
        return false;
    const QDir reports(work.filePath(QStringLiteral("reports")));
    CustomListWriter::Write(
        reports.filePath(QStringLiteral("custGCMList-20261201T101500Z-3fa2c1d0.xml")),
        {reportRecord("Quiet Engine", "QCWP10", "Boots with the current build", "1", "quill",
                      "Skip the intro with Start"),
         reportRecord("Brisk Castle Quarry: Second Wind", "QBCJ76", "", "1", "quill", "Turn the music off first"),
         reportRecord("Lunar Harbor Rally", "GLHE01", "Boots, sound crackles", "1", "quill",
                      "Skip the intro with Start"),
         reportRecord("Prismatic Yarrow & Falcon Racer", "QEHJ20", "Fine once the intro is skipped", "1", "quill",
                      "Turn the music off first")});
    CustomListWriter::Write(
        reports.filePath(QStringLiteral("custGCMList-20261201T184233Z-91be07a4.xml")),
        {reportRecord("Quiet Engine", "QCWP10", "Still slow audio", "2", "Tindra", "Skip the intro with Start"),
         reportRecord("Frosted Relic Zero", "QZQE47", "Black screen", "maybe", "Tindra", "Lower the resolution")});
    QFile broken(reports.filePath(QStringLiteral("custGCMList-20261202T080000Z-0a0b0c0d.xml")));
    return broken.open(QIODevice::WriteOnly) && broken.write("<IMAGE>") == 7;
}

bool save(QWidget& widget, const QDir& out, const char* name)
{
    widget.show();
    QApplication::processEvents();
    const QString file = out.filePath(QString::fromLatin1(name));
    if (!widget.grab().save(file, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return false;
    }
    std::printf("%s\n", qPrintable(file));
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QTemporaryDir work;
    // Before Qt reads it: the scan keeps its folder in the settings.
    setenv("XDG_CONFIG_HOME", QFile::encodeName(work.filePath(QStringLiteral("config"))).constData(), 1);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane"));
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s LIST_FILE OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    const QString listFile = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    QDir out(QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath());
    if (!out.exists() && !QDir().mkpath(out.path())) {
        std::fprintf(stderr, "cannot create %s\n", argv[2]);
        return 1;
    }
    if (!work.isValid() || !QFile::copy(listFile, work.filePath(QStringLiteral("gcmList.xml")))) {
        std::fprintf(stderr, "cannot copy %s\n", argv[1]);
        return 1;
    }
    QDir::setCurrent(work.path());

    RecordingAsker asker;
    MainWindow window;
    window.ShowALLGCMs1->trigger();
    bool ok = save(window, out, "main-window.png");

    window.PageControl1->setCurrentIndex(1);
    window.TabSheet2->strGName->setText(QStringLiteral("Lunar Harbor Rally"));
    window.TabSheet2->strGID->setText(QStringLiteral("GLHE01"));
    window.TabSheet2->strGNotes->setText(QStringLiteral("Boots, sound crackles"));
    window.TabSheet2->strGSSize->setText(QStringLiteral("412"));
    window.TabSheet2->strGGood->SetFlag(QStringLiteral("1"));
    window.TabSheet2->strGNick->setText(QStringLiteral("quill"));
    window.TabSheet2->strGBootNotes->setText(QStringLiteral("Skip the intro with Start"));
    window.TabSheet2->btnAddGCMClick();
    ok = save(window, out, "custom-list-page.png") && ok;

    // The preview of sending that row and two more, as saved.
    window.TabSheet2->strGName->setText(QStringLiteral("Copper Lantern Tales"));
    window.TabSheet2->strGID->setText(QStringLiteral("GCLP52"));
    window.TabSheet2->strGGood->SetFlag(QStringLiteral("2"));
    window.TabSheet2->btnAddGCMClick();
    window.TabSheet2->strGName->setText(QStringLiteral("Marble Orchard Racers"));
    window.TabSheet2->strGID->setText(QStringLiteral("GMOE78"));
    window.TabSheet2->strGGood->SetFlag(QStringLiteral("1"));
    window.TabSheet2->btnAddGCMClick();
    CustomListWriter::Write(QStringLiteral("custGCMList.xml"), window.TabSheet2->addView->rows().itemsInNameOrder());
    FtpServer reports = FtpServer::BuiltIn();
    reports.Directory = "incoming/";
    SendPreviewDialog preview(SubmitFlow::Check("custGCMList.xml"), reports, &window);
    ok = save(preview, out, "send-preview.png") && ok;
    preview.hide();

    MyGamesPage& games = *window.TabSheet3;
    window.PageControl1->setCurrentWidget(&games);
    ok = writeCollection(QDir(work.path())) && ok;
    games.scanFolder->setText(QStringLiteral("My Games"));
    games.btnScanClick();
    const QDeadlineTimer deadline(30000);
    while (games.Scanning() && !deadline.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    ok = save(window, out, "my-games-page.png") && ok;
    window.PageControl1->setCurrentIndex(0);

    window.Ermthis1Click();
    ok = save(window.aboutWindow(), out, "about-window.png") && ok;
    window.aboutWindow().hide();

    ok = writePreviousList(listFile, QDir(work.path())) && ok;
    ChangesWindow changes(window);
    ok = save(changes, out, "changes-window.png") && ok;
    changes.hide();

    // The keepers' window on the reports above, two kinds accepted: the two
    // reports on Quiet Engine then disagree, and their rows say so.
    ok = writeReports(QDir(work.path())) && ok;
    {
        KeepersWindow keepers(window);
        keepers.resize(1280, 400);
        keepers.Model().AcceptKind(ReportKind::Contradicts);
        keepers.Model().AcceptKind(ReportKind::AddsNotes);
        keepers.Model().AcceptKind(ReportKind::New);
        ok = save(keepers, out, "keepers-window.png") && ok;
        keepers.hide();
    }

    DownloadWindow download(window, [](MainListHost&) { return std::make_unique<SampleListing>(); });
    ok = save(download, out, "download-window.png") && ok;
    download.hide();

    // An ftp:// server's self-signed certificate, as the Download Window asks about it.
    const CertificateQuestion certificate{
        QStringLiteral("CN=lists.quorvane.example"),
        QStringLiteral("CN=lists.quorvane.example"),
        QStringLiteral("Nov 30 18:02:11 2026 GMT"),
        QStringLiteral("Nov 30 18:02:11 2027 GMT"),
        QStringLiteral("self-signed certificate"),
        QStringLiteral("3F:A2:19:7C:0B:E4:52:D8:61:9A:2F:C3:77:10:B5:4E:"
                       "88:D2:06:1F:A9:3C:E7:45:5B:90:2D:C8:14:6E:F3:0A"),
    };
    CertificateDialog certificateQuestion(certificate, "lists.quorvane.example", 21, TlsRequirement::WhenOffered,
                                          &window);
    ok = save(certificateQuestion, out, "certificate-question.png") && ok;

    MessageDialog question(QStringLiteral("Can't find the GCM data file, do you want to download it?"),
                           MsgDlgType::Error, MbYes | MbNo);
    ok = save(question, out, "missing-list-question.png") && ok;

    for (const QString& e : asker.errors)
        std::fprintf(stderr, "error box: %s\n", qPrintable(e));
    return ok && asker.errors.empty() ? 0 : 1;
}
