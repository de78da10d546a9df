#pragma once

#include "app/list/BootFilter.h"
#include "app/list/ListState.h"
#include "app/list/MainList.h"
#include "app/settings/UpdateServerSetting.h"
#include "app/ui/DownloadBehaviour.h"
#include "app/ui/MainListHost.h"
#include "app/ui/WindowLayout.h"

#include <QMainWindow>

#include <memory>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QStatusBar;
class QTabWidget;
class QTimer;
class QToolButton;

namespace quorvane::app {

class AboutWindow;
class AntiFreeze;
class AnchoredPage;
class CustomListPage;
class MessagePanel;
class MyGamesPage;
class SortedListView;

/// "Quorvane v1.00 - Marrisk": the search page "ZUR Urediz" with the list
/// view `List`, the Custom List editor "Create Custom list.", the scan of
/// the user's own images "My Games", the menu and
/// the status bar. Each user action is one handler method; the widgets call
/// the handlers through ErrorBox::guard, so a failure ends in the error box
/// and the window carries on. The handlers forward to MainList (the list
/// logic and the window's XML document) and render what it reports.
///
/// Every control is a public member named as in the window's design, and the
/// widget's objectName is that name too.
class MainWindow : public QMainWindow, public MainListHost {
    Q_OBJECT
public:
    /// Builds the window, then runs FormCreate (the start-up load) guarded:
    /// a failure shows the error box and the window is still created.
    /// `folder` holds the list files; empty means the working directory.
    /// `downloadBehaviour` gives every Download Window this window creates its
    /// behaviour (the update flow in the program); empty, those windows open
    /// without one. `updateServer` is the server update checks use until the
    /// user sets another in "Update Server...". `layout` says whether the
    /// window opens as the user left it or at its design sizes; it is saved
    /// when the window closes either way.
    explicit MainWindow(const QString& folder = QString(), DownloadBehaviourFactory downloadBehaviour = {},
                        UpdateServerChoice updateServer = {}, WindowLayout::Start layout = WindowLayout::Start::Design);
    ~MainWindow() override;

    // Handlers.
    /// Start-up: loads "gcmList.xml" and shows it as "Show Palavera List
    /// GCM's" does, counts and List Summary included; asks to download the
    /// list when the file is missing.
    void FormCreate();
    /// Key down in `gcmName` with a virtual key code: Return (13) searches
    /// at once.
    void gcmNameKeyDown(int key);
    /// The user changed the text of `gcmName`: the view follows it when
    /// `FilterTimer` fires, kFilterDelayMs after the last change.
    void gcmNameChange();
    /// The search field rested: searches for its text as Search does, but
    /// with no list loaded does nothing (the user is typing, not asking).
    void FilterTimerTimer();
    /// Searches the list shown for the text of `gcmName` at once and writes
    /// the count to the message panel ("Found 5 of 201."; cleared for an
    /// empty text).
    void btnGCMSearchClick();
    /// Shows the Main List, whichever list was shown before.
    void ShowALLGCMs1Click();
    /// Loads "custGCMList.xml" into the Custom List's own document and shows
    /// it. A file that cannot be loaded changes nothing: the view, the counts,
    /// the status panel and the list shown stay as they were.
    void ShowCustomListGCMs1Click();
    /// The user toggled "Display BOOTABLE only?": the last command that filled
    /// the view runs again on the document it used, reading no file (the last
    /// search with its own text, or the last Show). Nothing while that
    /// document is not loaded.
    void dispBootClick();
    void ExportlisttoHTML1Click();
    void CheckforListUpdates1Click();
    /// "What Changed in the Last Update...": runs the changes window modally.
    void WhatChanged1Click();
    /// "Review Reports...": runs the keepers' window modally while a Main
    /// List is loaded.
    void ReviewReports1Click();
    /// Shows the update server in use and lets the user set another one, or
    /// the built-in one, in the settings file and for the rest of the run.
    void UpdateServer1Click();
    void Exit1Click();
    void Ermthis1Click();
    /// A double-click on a scanned image that is in the list: unchecks
    /// `dispBoot`, searches the Main List for `gameName` and shows the search
    /// page.
    void ShowScannedRecord(const QString& gameName);
    /// "Add to Custom List" on the My Games page: starts a record for the
    /// image in the editor and shows the editor.
    void AddScannedImage(const QString& gameId, const QString& gameName);

    /// Asks for confirmation, then creates the Download Window and runs it
    /// modally; the window is destroyed when the run ends. Does nothing while
    /// an update check is already running.
    void StartListUpdate();

    /// Loads "gcmList.xml" afresh and, only when that fully succeeded, makes
    /// it the Main List: version and counts recounted, the view showing it,
    /// the List Summary rewritten. On failure it throws and the window keeps
    /// the list, view and summary it had. Run when an update installed a list.
    void ReloadMainList() override;

    /// Panel 0 of the status bar.
    void SetStatusText(const QString& text) override;
    QString StatusText() const;
    /// The message panel beside panel 0.
    MessagePanel& Messages() { return *messagePanel_; }
    void ShowPassingMessage(const QString& text) override;
    /// Panel 1's fixed text.
    QString StatusCredit() const;

    /// The server the next update check uses.
    const UpdateServerChoice& UpdateServer() const override { return updateServer_; }

    /// The list logic and its document; its State() is what the Download
    /// Window reads.
    MainList& ListLogic() { return list_; }
    const MainList& ListLogic() const override { return list_; }
    /// The About Window (the instance `aboutWindow`), created (hidden) on
    /// first use; it lives as long as this window.
    AboutWindow& aboutWindow();
    const QWidget& OwnerWindow() const override { return *this; }

    // Controls, under their design names.
    QTabWidget* PageControl1 = nullptr;
    AnchoredPage* TabSheet1 = nullptr;
    CustomListPage* TabSheet2 = nullptr;
    MyGamesPage* TabSheet3 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QMenuBar* MainMenu1 = nullptr;

    QLabel* Label1 = nullptr;
    QLineEdit* gcmName = nullptr;
    QToolButton* btnGCMSearch = nullptr;
    QCheckBox* dispBoot = nullptr;
    SortedListView* List = nullptr;
    /// Single-shot: started again by every change of `gcmName`.
    QTimer* FilterTimer = nullptr;
    /// How long the search field rests before the view follows it.
    static constexpr int kFilterDelayMs = 150;

    QMenu* File1 = nullptr;
    QAction* CheckforListUpdates1 = nullptr;
    QAction* UpdateServer1 = nullptr;
    QAction* Exit1 = nullptr;
    QMenu* Database1 = nullptr;
    QAction* ShowALLGCMs1 = nullptr;
    QAction* ShowCustomListGCMs1 = nullptr;
    QAction* ExportlisttoHTML1 = nullptr;
    QAction* WhatChanged1 = nullptr;
    QAction* ReviewReports1 = nullptr;
    QMenu* About1 = nullptr;
    QAction* Ermthis1 = nullptr;

    /// Keeps this window repainting while a network call blocks.
    std::unique_ptr<AntiFreeze> Anti;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildSearchPage();
    void BuildEditorPage();
    void BuildMyGamesPage(const QString& folder);
    void BuildMenu();
    void BuildStatusBar();
    /// With unsaved rows, asks whether to save them before the window closes;
    /// true when it may close.
    bool MayClose();
    /// Enables "What Changed in the Last Update..." exactly when a previous
    /// list exists.
    void EnableWhatChanged();
    BootFilter SelectedBootFilter() const;
    /// Search in `list` for `text`, remembered for dispBootClick, with its
    /// count in the message panel.
    void SearchIn(ListKind list, const QString& text);
    /// A Show fills the view with a whole list: no filter is pending and no
    /// count is told.
    void EndSearch();
    /// Once the view has painted a freshly loaded list, builds that list's
    /// search index, so the first search or keystroke finds it built.
    void IndexAfterPaint();
    /// Connects `signal` of `sender` to `handler` run under the guard.
    template <typename Sender, typename Signal>
    void Wire(Sender* sender, Signal signal, void (MainWindow::*handler)());

    MainList list_;
    DownloadBehaviourFactory downloadBehaviour_;
    UpdateServerChoice updateServer_;
    QLabel* panel0_ = nullptr;
    QLabel* panel1_ = nullptr;
    MessagePanel* messagePanel_ = nullptr;
    AboutWindow* aboutWindow_ = nullptr;
    bool updateRunning_ = false;
    /// The Download Window of the update check that is running, if any.
    DownloadWindow* downloadWindow_ = nullptr;

    /// The command whose result the view shows, for dispBootClick.
    enum class LastFill { Nothing, Show, Search };
    LastFill lastFill_ = LastFill::Nothing;
    ListKind lastSearchList_ = ListKind::Main;
    QString lastSearchText_;
    /// True from a load until the view's next paint (IndexAfterPaint).
    bool indexAfterPaint_ = false;
};

} // namespace quorvane::app
