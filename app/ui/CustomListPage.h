#pragma once

#include "app/list/CustomListEditor.h"
#include "app/ui/AnchoredPage.h"

#include <cstddef>

class QLabel;
class QLineEdit;
class QPushButton;

namespace quorvane::app {

class BootFlagBox;
class MainList;
class SortedListView;
struct UpdateServerChoice;

/// The page "Create Custom list.": seven edits for a record, the rows of the
/// Custom List being written, and the buttons that add, remove, save and
/// send them. The rows are the saved "custGCMList.xml" with the user's
/// changes; CustomListEditor keeps the file and the unsaved-changes flag.
///
/// Every control is a public member named as in the window's design, and the
/// widget's objectName is that name too.
class CustomListPage : public AnchoredPage {
    Q_OBJECT
public:
    /// `list` names the folder the Custom List lives in; `updateServer` is the
    /// Main Window's choice, which "Send to List Keepers..." reads when clicked.
    /// Both outlive the page.
    CustomListPage(MainList& list, const UpdateServerChoice& updateServer, QWidget* parent = nullptr);

    // Handlers, run under the error box's guard.
    /// Adds a row from the seven edits; a row with neither a game name nor a
    /// game ID, or without a boot flag chosen, is refused with a warning.
    /// Then the edits are cleared for the next record, except the nickname,
    /// which is kept in the settings file ([editor] nick) for the next start.
    void btnAddGCMClick();
    /// Removes the row selected in `addView`, if any.
    void btnRemoveGCMClick();
    /// Key down in `addView` with a virtual key code: Delete (46) removes the
    /// selected row, unless a cell is being edited.
    void addViewKeyDown(int key);
    void btnWriteListClick();
    /// "Send to List Keepers...": sends the saved Custom List file, never
    /// the editor's unsaved rows (see SendListFlow).
    void btnSendListClick();

    /// Fills the rows with the saved Custom List.
    void OpenEditor();
    /// Saves the rows, first asking whether to replace a Custom List that
    /// changed on disk meanwhile; true when they were saved.
    bool SaveCustomList();
    /// A new record for a scanned image: fills the game ID and name, empties
    /// its notes, size, boot flag and instructions.
    void StartRecord(const QString& gameId, const QString& gameName);

    /// The rows' file and its unsaved-changes flag.
    const CustomListEditor& Editor() const { return editor_; }

    // Controls, under their design names.
    QLabel* Label12 = nullptr;
    QLineEdit* strGName = nullptr;
    QLineEdit* strGID = nullptr;
    QLineEdit* strGNotes = nullptr;
    QLineEdit* strGSSize = nullptr;
    BootFlagBox* strGGood = nullptr;
    QLineEdit* strGNick = nullptr;
    QLineEdit* strGBootNotes = nullptr;
    QPushButton* btnAddGCM = nullptr;
    SortedListView* addView = nullptr;
    QPushButton* btnRemoveGCM = nullptr;
    QPushButton* btnWriteList = nullptr;
    QPushButton* btnSendList = nullptr;

Q_SIGNALS:
    /// The rows were saved to "custGCMList.xml": `records` of them.
    void saved(std::size_t records);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    MainList& list_;
    const UpdateServerChoice& updateServer_;
    CustomListEditor editor_;
};

} // namespace quorvane::app
