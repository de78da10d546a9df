#pragma once

#include "app/list/StatusSink.h"
#include "app/ui/DownloadBehaviour.h"

#include <QDialog>
#include <QStringList>

#include <memory>

class QLabel;
class QListWidget;
class QPushButton;
class QStatusBar;
class QWidget;

namespace quorvane::app {

class AntiFreeze;
class MainListHost;

/// "Download Window:": a line saying what to do (or what was done) with the
/// "Download" button beside it, the remote directory listing of an update
/// check and its status line. Created when an update check is confirmed, run
/// modally, destroyed when it closes. What it does on creation and on
/// double-click comes from the DownloadBehaviour its creator hands it. It
/// connects once it is on screen, so that the user sees it and can close it
/// while it waits. A creation that fails shows its failure in the window's
/// body with a Close button, never a blank listing. As a StatusSink it writes
/// panel 0 of its own status bar.
class DownloadWindow : public QDialog, public StatusSink {
    Q_OBJECT
public:
    /// Builds the controls and takes its behaviour from `behaviour` (none
    /// when it is empty or returns null), guarded: a failure shows the error
    /// box and the window is still created. The window has no owner; it is
    /// centred on `host`. FormCreate runs, guarded the same way, from
    /// the event loop once the window is first shown (its modal run), unless
    /// it was closed before.
    DownloadWindow(MainListHost& host, const DownloadBehaviourFactory& behaviour);
    ~DownloadWindow() override;

    /// Creation handler: hands over to the behaviour, if any. A failure is
    /// shown in the window's body (ShowFailure) instead of the listing.
    void FormCreate();
    /// Double-click handler, and "Download": hands over to the behaviour, if any.
    void ListDblClick();
    /// Close handler (close box, Escape): hands over to the behaviour, if
    /// any, which ends a download that is still running.
    void FormClose();

    // Operations the update flow reaches the window through.
    void SetStatusText(const QString& text) override;
    QString StatusText() const;
    /// The second panel's lock and TLS version: a closed lock, or an open one
    /// when the certificate did not verify (`unverifiedReason`, encryption
    /// only); an empty `version` hides both.
    void SetSecurityText(const QString& version, const QString& unverifiedReason = {});
    QString SecurityText() const;
    /// The second panel says "Not encrypted" (the server refused TLS), without
    /// a lock; SetSecurityText replaces it.
    void SetNotEncrypted();
    /// Whether the lock shown is the open one.
    bool SecurityLockOpen() const { return lockOpen_; }
    /// The line above the listing: what to do, or what was done.
    void SetGuideText(const QString& text);
    QString GuideText() const;
    /// Under the guide line, in full: the changes an installation brought.
    void SetChangesText(const QString& text);
    QString ChangesText() const;
    /// Replaces the lines of the list box.
    void SetListLines(const QStringList& lines);
    QStringList ListLines() const;
    /// Selects the first line naming the file `fileName` (the listing's last
    /// field); nothing when no line does.
    void SelectFile(const QString& fileName);
    /// The selected line's text; empty when none is selected.
    QString SelectedLine() const;
    /// Replaces the listing with `text` (a failure and what to do about it)
    /// and the Download button with Close, the default button; the status
    /// panel's progress text goes. The Main Window's panel 0 gets the List
    /// Summary back.
    void ShowFailure(const QString& text);
    /// The failure shown; empty while the listing is shown.
    QString FailureText() const;
    /// Deletes the first line of the list box; nothing when it is empty.
    void DeleteFirstLine();
    /// Closes the window, which ends its modal run with result 0.
    void CloseWindow();

    /// The Main Window this window was created for, as the window sees it.
    MainListHost& host() { return host_; }

    QLabel* lblGuide = nullptr;
    QPushButton* btnDownload = nullptr;
    QListWidget* List = nullptr;
    QLabel* lblFailure = nullptr;
    QPushButton* btnClose = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    /// Keeps the windows repainting while this window's network calls block.
    std::unique_ptr<AntiFreeze> AntiFreeze1;

    /// Closing by the user runs FormClose (guarded) before the window closes.
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    MainListHost& host_;
    QLabel* panel0_ = nullptr;
    QLabel* securityIcon_ = nullptr;
    QLabel* securityText_ = nullptr;
    bool lockOpen_ = false;
    QLabel* changesText_ = nullptr;
    QWidget* failurePanel_ = nullptr;
    std::unique_ptr<DownloadBehaviour> behaviour_;
    bool createQueued_ = false;
};

} // namespace quorvane::app
