#pragma once

#include "app/list/StatusSink.h"
#include "app/ui/DownloadBehaviour.h"

#include <QDialog>
#include <QStringList>

#include <memory>

class QLabel;
class QListWidget;
class QStatusBar;

namespace quorvane::app {

class AntiFreeze;
class MainWindow;

/// "Download Window:": the remote directory listing of an update check and
/// its status line. Created when an update check is confirmed, run modally,
/// destroyed when it closes. What it does on creation and on double-click
/// comes from the DownloadBehaviour its creator hands it. It connects once it
/// is on screen, so that the user sees it and can close it while it waits.
/// As a StatusSink it writes panel 0 of its own status bar.
class DownloadWindow : public QDialog, public StatusSink {
    Q_OBJECT
public:
    /// Builds the controls and takes its behaviour from `behaviour` (none
    /// when it is empty or returns null), guarded: a failure shows the error
    /// box and the window is still created. The window has no owner; it is
    /// centred on `mainWindow`. FormCreate runs, guarded the same way, from
    /// the event loop once the window is first shown (its modal run), unless
    /// it was closed before.
    DownloadWindow(MainWindow& mainWindow, const DownloadBehaviourFactory& behaviour);
    ~DownloadWindow() override;

    /// Creation handler: hands over to the behaviour, if any.
    void FormCreate();
    /// Double-click handler: hands over to the behaviour, if any.
    void ListDblClick();
    /// Close handler (close box, Escape): hands over to the behaviour, if
    /// any, which ends a download that is still running.
    void FormClose();

    // Operations the update flow reaches the window through.
    void SetStatusText(const QString& text) override;
    QString StatusText() const;
    /// Panel 1: a lock and `version` ("TLS 1.3") while the update runs under
    /// TLS; empty hides both.
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
    /// Panel 1, after the lock: the changes an installation brought, beside
    /// panel 0's "Done...".
    void SetChangesText(const QString& text);
    QString ChangesText() const;
    /// Replaces the lines of the list box.
    void SetListLines(const QStringList& lines);
    QStringList ListLines() const;
    /// Deletes the first line of the list box; nothing when it is empty.
    void DeleteFirstLine();
    /// Closes the window, which ends its modal run with result 0.
    void CloseWindow();

    /// The Main Window (the instance `mainWindow`) this window was created for.
    MainWindow& mainWindow() { return mainWindow_; }

    QListWidget* List = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    /// Keeps the windows repainting while this window's network calls block.
    std::unique_ptr<AntiFreeze> AntiFreeze1;

    /// Closing by the user runs FormClose (guarded) before the window closes.
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    MainWindow& mainWindow_;
    QLabel* panel0_ = nullptr;
    QLabel* securityIcon_ = nullptr;
    QLabel* securityText_ = nullptr;
    bool lockOpen_ = false;
    QLabel* changesText_ = nullptr;
    std::unique_ptr<DownloadBehaviour> behaviour_;
    bool createQueued_ = false;
};

} // namespace quorvane::app
