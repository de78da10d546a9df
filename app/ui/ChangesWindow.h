#pragma once

#include "app/list/ListChanges.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;
class QStatusBar;
class QTreeWidget;

namespace quorvane::app {

class MainListHost;

/// "What Changed in the Last Update...": the changes from the previous list
/// ("gcmList.previous.xml") to the Main List in a list view, sorted as the
/// command line prints them, with a filter by kind, the summary in the status
/// bar, and a button that swaps the previous list back in.
class ChangesWindow : public QDialog {
    Q_OBJECT
public:
    /// Compares the lists of `host`'s folder, guarded: a list that does
    /// not load shows the error box and leaves the view empty.
    explicit ChangesWindow(MainListHost& host);
    /// A preview of a list not yet in place: compares `olderFile` with
    /// `newerFile` under `title`, without "Go Back"; "Write the New List"
    /// (`btnWrite`, the default button) accepts the window.
    ChangesWindow(MainListHost& host, QString olderFile, QString newerFile, const QString& title);
    ~ChangesWindow() override;

    /// The filter's choices, in its order: every kind, then one kind each.
    static QStringList FilterTexts();

    /// Shows the changes of the kind the filter names (all for its first item).
    void FilterChange();
    /// "Go Back to the Previous List": asks, then swaps the Main List with the
    /// previous one, has the Main Window reload it, and compares again.
    void btnGoBackClick();

    QComboBox* Filter = nullptr;
    QTreeWidget* Changes = nullptr;
    QPushButton* btnGoBack = nullptr;
    /// Only in a preview.
    QPushButton* btnWrite = nullptr;
    QStatusBar* StatusBar1 = nullptr;

    /// The status bar's text: the changes' summary.
    QString StatusText() const;

private:
    /// Compares the lists again and refills the view.
    void Compare();

    MainListHost& host_;
    /// The lists compared; empty for the previous list and the Main List.
    QString olderFile_;
    QString newerFile_;
    ListChanges changes_;
    QLabel* panel0_ = nullptr;
};

} // namespace quorvane::app
