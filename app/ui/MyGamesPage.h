#pragma once

#include "app/scan/ScanReport.h"
#include "app/ui/AnchoredPage.h"

#include <QString>

#include <memory>
#include <thread>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTimer;
class QToolButton;

namespace quorvane::app {

class SortedListView;
struct ScanControl;

/// The page "My Games": scans a folder of the user's GCM images on a worker
/// thread and shows which of them boot, matched to the Main List by game ID
/// (GameScan, the same scan as the command line's `scan`). The window stays
/// responsive while a scan runs; Cancel ends it. The page's status (the
/// progress, the counts) is told by `statusChanged`, for the window to show
/// while the page is shown, and the folder scanned last is kept in the
/// user's settings ([scan] folder) for the next start.
///
/// The page knows nothing of the other pages: a double-click on an image in
/// the list and "Add to Custom List" are passed on as signals, which the Main
/// Window turns into a search and into the editor's fields.
class MyGamesPage : public AnchoredPage {
    Q_OBJECT
public:
    /// `listFolder` holds "gcmList.xml" (empty: the working directory at the
    /// time of each scan).
    explicit MyGamesPage(QString listFolder, QWidget* parent = nullptr);
    /// Cancels a running scan and waits for its thread.
    ~MyGamesPage() override;

    // Handlers, run under the error box's guard.
    /// The folder chooser next to `scanFolder`.
    void btnChooseFolderClick();
    /// Starts a scan of the folder in `scanFolder`; does nothing while one runs.
    void btnScanClick();
    void btnCancelScanClick();
    /// Double-click on the row at view position `row`: an image that is in
    /// the list asks for its record on the search page.
    void gamesViewDblClick(int row);
    /// Passes the selected image's game ID and name on to the editor.
    void btnAddToCustomListClick();

    /// True while a scan runs.
    bool Scanning() const { return worker_.joinable(); }
    /// The report of the last scan that ended without a failure.
    const ScanReport& Report() const { return report_; }
    /// The page's status: "Scanning: <n> files", the last scan's counts,
    /// "Scan cancelled", or empty.
    const QString& StatusText() const { return statusText_; }

    // Controls, under their design names.
    QLabel* Label14 = nullptr;
    QLineEdit* scanFolder = nullptr;
    QToolButton* btnChooseFolder = nullptr;
    QPushButton* btnScan = nullptr;
    QPushButton* btnAddToCustomList = nullptr;
    /// The counts of the last scan.
    QLabel* scanCounts = nullptr;
    QProgressBar* scanProgress = nullptr;
    QPushButton* btnCancelScan = nullptr;
    SortedListView* gamesView = nullptr;

Q_SIGNALS:
    /// The page's status became `text` (StatusText).
    void statusChanged(const QString& text);
    /// Show the record named `gameName` on the search page.
    void showRecordRequested(const QString& gameName);
    /// Start a Custom List record with this game ID and name.
    void addToCustomListRequested(const QString& gameId, const QString& gameName);

private:
    struct Outcome;
    /// Back on the user-interface thread: joins the worker and shows what it found.
    void ScanDone(const std::shared_ptr<Outcome>& outcome);
    void ShowProgress();
    void SetRunning(bool running);
    void ShowReport();
    void SetStatusText(const QString& text);

    QString listFolder_;
    QString statusText_;
    ScanReport report_;
    std::shared_ptr<ScanControl> control_;
    std::thread worker_;
    QTimer* progressTimer_ = nullptr;
};

} // namespace quorvane::app
