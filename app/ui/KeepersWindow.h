#pragma once

#include "app/update/FtpServer.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QStatusBar;
class QTreeView;

namespace quorvane::app {

class MainListHost;
class ReportFilterModel;
class ReportTableModel;

/// "Review Reports": the keepers' desk in a window. Fetches the players'
/// reports from the keepers' server into "reports/" beside the Main List (as
/// `reports fetch` does), shows every record of them against the Main List
/// (as `reports review` does) with a check box each, merges the records
/// accepted into a new version of the Main List after a preview in the What
/// Changed window (as `reports merge` does), and publishes the Main List (as
/// `publish` does). The network jobs run in a NetworkJobWindow with progress
/// and "Cancel". The window remembers its size under "window/keepers/".
class KeepersWindow : public QDialog {
    Q_OBJECT
public:
    /// Reviews the reports already in "reports/", guarded: a failure shows
    /// the error box and leaves the table empty.
    explicit KeepersWindow(MainListHost& host);
    ~KeepersWindow() override;

    /// The folder reports are fetched into and read from: "reports/" in the
    /// Main List's folder.
    QString ReportsFolder() const;
    /// Reads every report in ReportsFolder() and reviews it against the Main
    /// List; what was accepted is dropped.
    void Review();

    /// "Fetch Reports": fetches from the keepers' server ([keepers] server),
    /// moving each report fetched into "processed/" on the server when
    /// `chkMoveAside` is ticked, then reviews again.
    void btnFetchClick();
    /// Shows the rows of the kind the filter names (all for its first item).
    void FilterChange();
    /// "Accept All of This Kind": ticks every row of the filter's kind.
    void btnAcceptKindClick();
    /// "Merge...": asks for the new version (the list's plus one, when it is a
    /// number), merges the accepted records into a file beside the list and
    /// shows what that changes; "Write the New List" there puts it in place
    /// of the Main List (keeping the old one as the previous list), has the
    /// Main Window reload it and shows it as the last change.
    void btnMergeClick();
    /// "Publish...": names the server, the list's version and records and
    /// asks, then publishes the Main List.
    void btnPublishClick();

    /// The status bar's text: the review's counts.
    QString StatusText() const;
    ReportTableModel& Model() { return *model_; }

    QPushButton* btnFetch = nullptr;
    QCheckBox* chkMoveAside = nullptr;
    QComboBox* Filter = nullptr;
    QPushButton* btnAcceptKind = nullptr;
    QTreeView* Reports = nullptr;
    QLabel* lblUnreadable = nullptr;
    QListWidget* Unreadable = nullptr;
    QPushButton* btnMerge = nullptr;
    QPushButton* btnPublish = nullptr;
    QPushButton* btnClose = nullptr;
    QStatusBar* StatusBar1 = nullptr;

    /// The folder on the server that fetched reports are moved into.
    static constexpr const char* MoveAsideFolder = "processed";

    void done(int result) override;

private:
    /// The counts and the buttons after the table or its acceptance changed.
    void ShowCounts();
    void FitColumns();
    /// Where the list is published: [keepers] publish, else the update server.
    FtpServer PublishServer() const;
    /// The Main List's full path.
    QString MainListPath() const;

    MainListHost& host_;
    ReportTableModel* model_ = nullptr;
    ReportFilterModel* filter_ = nullptr;
    QLabel* panel0_ = nullptr;
    QLabel* panel1_ = nullptr;
};

} // namespace quorvane::app
