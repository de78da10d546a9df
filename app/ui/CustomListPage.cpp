#include "app/ui/CustomListPage.h"

#include "app/list/MainList.h"
#include "app/settings/SettingsError.h"
#include "app/settings/SettingsKeys.h"
#include "app/settings/UpdateServerSetting.h"
#include "app/settings/UserSettings.h"
#include "app/ui/Asker.h"
#include "app/ui/BootFlagBox.h"
#include "app/ui/BootFlagDelegate.h"
#include "app/ui/ErrorBox.h"
#include "app/ui/FormControls.h"
#include "app/ui/KeyCodes.h"
#include "app/ui/SendListFlow.h"
#include "app/ui/SortedListView.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>

#include <iterator>
#include <memory>

namespace quorvane::app {

namespace {

const QSize kPageSize(627, 501);

const QString kBlankRowWarning = QStringLiteral("Type at least a game name or a game ID.");
const QString kNoBootFlagWarning = QStringLiteral("Choose whether the game boots.");
const QString kChangedOnDiskQuestion =
    QStringLiteral("custGCMList.xml changed since it was opened. Replace it with the records shown here?");

std::vector<SortedListView::Column> editorColumns()
{
    return {
        {QStringLiteral("Name:"), 100},
        {QStringLiteral("ID:"), 50},
        {QStringLiteral("Notes:"), 100},
        {QStringLiteral("Shrunk Size (MB):"), 90, SortedListModel::ColumnOrder::Number},
        {QStringLiteral("Good:"), 50},
        {QStringLiteral("Nick:"), 80},
        {QStringLiteral("Instructions:"), 100},
    };
}

/// An edit of a row in place passes the checks of "Add GCM".
bool AcceptsEdit(const ListItem& before, const ListItem& after)
{
    if (CustomListEditor::IsBlank(after)) {
        Asker::messageDlg(kBlankRowWarning, MsgDlgType::Warning, MbOK, 0);
        return false;
    }
    // A flag text kept from the file may stay; a new one must be a choice.
    const QString& flag = after.subItems[GoodSubItem];
    if (flag != before.subItems[GoodSubItem] && flag != QLatin1String(BootsFlag) &&
        flag != QLatin1String(DoesNotBootFlag)) {
        Asker::messageDlg(kNoBootFlagWarning, MsgDlgType::Warning, MbOK, 0);
        return false;
    }
    return true;
}

} // namespace

CustomListPage::CustomListPage(MainList& list, const UpdateServerChoice& updateServer, QWidget* parent)
    : AnchoredPage(kPageSize, parent), list_(list), updateServer_(updateServer), editor_(list)
{
    auto guarded = [this](void (CustomListPage::*handler)()) {
        return [this, handler] { ErrorBox::guard([this, handler] { (this->*handler)(); }); };
    };

    Label12 = named(new QLabel(this), "Label12");
    Label12->setText(
        QStringLiteral("Use this page to enter new GCM details into the list. \"Save List\" writes them to "
                       "custGCMList.xml; pass that file on to share your list, and load one with "
                       "\"Show Custom List GCM's\"."));
    Label12->setWordWrap(true);
    Label12->setGeometry(16, 8, 543, 26);
    QPalette hotLight = Label12->palette();
    hotLight.setColor(QPalette::WindowText, hotLight.color(QPalette::Link));
    Label12->setPalette(hotLight);

    labelAt(this, "Label2", QStringLiteral("Game Name:"), 24, 55, 96);
    strGName = editAt(this, "strGName", 96, 55, 377);
    labelAt(this, "Label3", QStringLiteral("Game ID:"), 40, 79, 96);
    strGID = editAt(this, "strGID", 96, 79, 177);
    labelAt(this, "Label13", QStringLiteral("the game's ID, as My Games shows it."), 280, 79);
    labelAt(this, "Label4", QStringLiteral("Notes:"), 56, 103, 96);
    strGNotes = editAt(this, "strGNotes", 96, 103, 377);
    labelAt(this, "Label5", QStringLiteral("Shrunk Size:"), 24, 127, 96);
    strGSSize = editAt(this, "strGSSize", 96, 127, 177);
    labelAt(this, "Label6", QStringLiteral("enter a '?' if size is unknown."), 280, 127);
    // The choices say what the flag means; the label's access key reaches them.
    QLabel* goodLabel = labelAt(this, "Label7", QStringLiteral("G&ood:"), 56, 151, 96);
    strGGood = named(new BootFlagBox(this), "strGGood");
    strGGood->setGeometry(96, 151, 177, 21);
    goodLabel->setBuddy(strGGood);
    labelAt(this, "Label9", QStringLiteral("Nick:"), 56, 175, 96);
    strGNick = editAt(this, "strGNick", 96, 175, 177);
    // The nickname of the last record added is offered for every new one.
    strGNick->setText(UserSettings::Open()->value(settings::kEditorNick).toString());
    labelAt(this, "Label10", QStringLiteral("your nickname, if you want recognition."), 280, 175);
    labelAt(this, "Label11", QStringLiteral("Boot Instructions:"), 8, 199, 96);
    strGBootNotes = editAt(this, "strGBootNotes", 96, 199, 369);

    btnAddGCM = named(new QPushButton(QStringLiteral("Add &GCM"), this), "btnAddGCM");
    btnAddGCM->setGeometry(96, 225, 89, 25);
    connect(btnAddGCM, &QPushButton::clicked, this, guarded(&CustomListPage::btnAddGCMClick));

    addView = named(new SortedListView(editorColumns(), SortedListModel::CaptionEditing::EveryCell,
                                       SortedListModel::RowImages::Hidden, this),
                    "addView");
    addView->setGeometry(8, 256, 611, 208);
    anchorAllSides(addView);
    addView->installEventFilter(this);
    // Every cell can be edited in place (F2, a double-click), the boot flag
    // with the same two choices as the page.
    addView->setItemDelegateForColumn(static_cast<int>(GoodSubItem) + 1, new BootFlagDelegate(addView));
    addView->rows().setEditCheck(AcceptsEdit);
    // An edit in place is a change to the rows like Add and Remove.
    connect(&addView->rows(), &QAbstractItemModel::dataChanged, this, [this] { editor_.MarkChanged(); });

    btnRemoveGCM = named(new QPushButton(QStringLiteral("&Remove GCM"), this), "btnRemoveGCM");
    btnRemoveGCM->setGeometry(336, 472, 115, 25);
    connect(btnRemoveGCM, &QPushButton::clicked, this, guarded(&CustomListPage::btnRemoveGCMClick));

    btnWriteList = named(new QPushButton(QStringLiteral("Save &List"), this), "btnWriteList");
    btnWriteList->setGeometry(456, 472, 115, 25);
    connect(btnWriteList, &QPushButton::clicked, this, guarded(&CustomListPage::btnWriteListClick));

    btnSendList = named(new QPushButton(QStringLiteral("Send to List &Keepers..."), this), "btnSendList");
    btnSendList->setGeometry(8, 472, 161, 25);
    connect(btnSendList, &QPushButton::clicked, this, guarded(&CustomListPage::btnSendListClick));

    QWidget* order[] = {strGName,      strGID,    strGNotes, strGSSize,    strGGood,     strGNick,
                        strGBootNotes, btnAddGCM, addView,   btnRemoveGCM, btnWriteList, btnSendList};
    for (std::size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void CustomListPage::OpenEditor()
{
    editor_.Open(*addView);
}

void CustomListPage::btnAddGCMClick()
{
    ListItem row;
    row.caption = strGName->text();
    row.subItems = {strGID->text(),   strGNotes->text(), strGSSize->text(),
                    strGGood->Flag(), strGNick->text(),  strGBootNotes->text()};
    if (CustomListEditor::IsBlank(row)) {
        Asker::messageDlg(kBlankRowWarning, MsgDlgType::Warning, MbOK, 0);
        return;
    }
    if (!strGGood->IsChosen()) {
        Asker::messageDlg(kNoBootFlagWarning, MsgDlgType::Warning, MbOK, 0);
        return;
    }
    addView->rows().AddItem(std::move(row));
    editor_.MarkChanged();
    // The next record starts clean: nothing of this one carries over by
    // accident, least of all its boot flag. The nickname stays, and is kept
    // for the next start.
    for (QLineEdit* field : {strGName, strGID, strGNotes, strGSSize, strGBootNotes})
        field->clear();
    strGGood->SetFlag(QString());
    try {
        const std::unique_ptr<QSettings> settings = UserSettings::Open();
        settings->setValue(settings::kEditorNick, strGNick->text());
        UserSettings::Save(*settings);
    } catch (const SettingsError&) {
        // The record is added all the same; only the nickname is not
        // remembered for the next start.
    }
    strGName->setFocus();
}

void CustomListPage::btnRemoveGCMClick()
{
    const QModelIndexList selected = addView->selectionModel()->selectedRows();
    if (selected.isEmpty())
        return;
    addView->rows().RemoveItem(selected.first().row());
    editor_.MarkChanged();
}

void CustomListPage::addViewKeyDown(int key)
{
    // While a cell is being edited, Delete belongs to the edit.
    if (key == KeyCodes::Delete && !addView->IsEditing())
        btnRemoveGCMClick();
}

void CustomListPage::btnWriteListClick()
{
    SaveCustomList();
}

void CustomListPage::btnSendListClick()
{
    SendListFlow flow(list_, updateServer_.server, window());
    flow.Run({editor_.HasUnsavedChanges(), [this] { return SaveCustomList(); }});
}

bool CustomListPage::SaveCustomList()
{
    // The editor holds every saved record, so saving loses nothing; only a
    // file written meanwhile by someone else would be lost unseen.
    if (editor_.FileChangedOnDisk() &&
        Asker::messageDlg(kChangedOnDiskQuestion, MsgDlgType::Confirmation, MbYes | MbNo, 0) != MrYes)
        return false;
    // The file keeps the name order, whichever column the view is sorted by.
    const std::vector<ListItem> rows = addView->rows().itemsInNameOrder();
    editor_.Save(rows);
    Q_EMIT saved(rows.size());
    return true;
}

void CustomListPage::StartRecord(const QString& gameId, const QString& gameName)
{
    // A new record for an image the user is about to try: what it does is
    // theirs to fill in, so nothing typed for another record stays.
    strGID->setText(gameId);
    strGName->setText(gameName);
    for (QLineEdit* field : {strGNotes, strGSSize, strGBootNotes})
        field->clear();
    strGGood->SetFlag(QString());
}

bool CustomListPage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == addView && event->type() == QEvent::KeyPress) {
        const int key = KeyCodes::virtualKey(static_cast<QKeyEvent*>(event)->key());
        if (key == KeyCodes::Delete) {
            ErrorBox::guard([this, key] { addViewKeyDown(key); });
            return true;
        }
    }
    return AnchoredPage::eventFilter(watched, event);
}

} // namespace quorvane::app
