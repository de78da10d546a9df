#include "app/ui/ChangesWindow.h"

#include "app/list/ListFileNames.h"
#include "app/ui/Asker.h"
#include "app/ui/ErrorBox.h"
#include "app/ui/FormControls.h"
#include "app/ui/Images.h"
#include "app/ui/MainListHost.h"
#include "app/update/ListInstaller.h"

#include <QComboBox>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>

namespace quorvane::app {

namespace {

const QString kGoBackQuestion = QStringLiteral(
    "Go back to the previous list? The list in use now becomes the previous list, so you can come back to it.");

enum Column { KindColumn, NameColumn, IdColumn, OldStatusColumn, NewStatusColumn, FieldsColumn, ColumnCount };

/// How the rows of a kind are marked: with the tick or the cross of the
/// status the change leaves the game with, or, for a game that is in no list
/// any more, with the neutral mark.
enum class KindMark { NewStatus, NotInList };

struct KindEntry {
    ChangeKind kind;
    KindMark mark;
};

/// Every kind of change in the filter's order after "all changes". The
/// filter's choices, its test of a row and the rows' marks all read this
/// table, so a choice always names the kind it shows; each kind's text is
/// ListChanges::KindText, as in the Kind column and on the command line.
constexpr KindEntry kKinds[] = {
    {ChangeKind::New, KindMark::NewStatus},      {ChangeKind::Removed, KindMark::NotInList},
    {ChangeKind::NowBoots, KindMark::NewStatus}, {ChangeKind::NoLongerBoots, KindMark::NewStatus},
    {ChangeKind::Changed, KindMark::NewStatus},
};

int ImageOf(const ListChange& change)
{
    const auto entry = std::find_if(std::begin(kKinds), std::end(kKinds),
                                    [&change](const KindEntry& e) { return e.kind == change.kind; });
    if (entry != std::end(kKinds) && entry->mark == KindMark::NotInList)
        return Images::NotInList;
    return change.newStatus == BootStatus::Boots ? Images::GreenTick : Images::RedCross;
}

/// Rows measured when the columns are fitted, as in the main list.
constexpr int kMeasuredRows = 1000;

} // namespace

ChangesWindow::ChangesWindow(MainListHost& host) : ChangesWindow(host, QString(), QString(), QString()) {}

ChangesWindow::ChangesWindow(MainListHost& host, QString olderFile, QString newerFile, const QString& title)
    : QDialog(nullptr), host_(host), olderFile_(std::move(olderFile)), newerFile_(std::move(newerFile))
{
    setObjectName(QStringLiteral("ChangesWindow"));
    setWindowTitle(title.isEmpty() ? QStringLiteral("What Changed in the Last Update") : title);
    resize(760, 420);

    Filter = new QComboBox(this);
    Filter->setObjectName(QStringLiteral("Filter"));
    Filter->addItems(FilterTexts());
    btnGoBack = new QPushButton(QStringLiteral("&Go Back to the Previous List"), this);
    btnGoBack->setObjectName(QStringLiteral("btnGoBack"));
    btnGoBack->setAutoDefault(false);

    Changes = new QTreeWidget(this);
    Changes->setObjectName(QStringLiteral("Changes"));
    Changes->setRootIsDecorated(false);
    Changes->setUniformRowHeights(true);
    Changes->setSelectionMode(QAbstractItemView::SingleSelection);
    Changes->setHeaderLabels({QStringLiteral("Kind"), QStringLiteral("Name"), QStringLiteral("ID"),
                              QStringLiteral("Old status"), QStringLiteral("New status"),
                              QStringLiteral("Changed fields")});
    Changes->header()->setResizeContentsPrecision(kMeasuredRows);

    StatusBar1 = dialogStatusBar(this, panel0_);
    StatusBar1->addWidget(panel0_, 1);

    auto* top = new QHBoxLayout;
    auto* filterLabel = new QLabel(QStringLiteral("&Show:"), this);
    filterLabel->setBuddy(Filter);
    top->addWidget(filterLabel);
    top->addWidget(Filter);
    top->addStretch(1);
    top->addWidget(btnGoBack);
    if (!newerFile_.isEmpty()) {
        // Nothing is in place yet to go back from.
        btnGoBack->hide();
        btnWrite = new QPushButton(QStringLiteral("&Write the New List"), this);
        btnWrite->setObjectName(QStringLiteral("btnWrite"));
        btnWrite->setDefault(true);
        top->addWidget(btnWrite);
        connect(btnWrite, &QPushButton::clicked, this, &QDialog::accept);
    }
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 4, 0, 0);
    top->setContentsMargins(6, 0, 6, 0);
    layout->addLayout(top);
    layout->addWidget(Changes, 1);
    layout->addWidget(StatusBar1);

    connect(Filter, &QComboBox::currentIndexChanged, this, [this] { ErrorBox::guard([this] { FilterChange(); }); });
    connect(btnGoBack, &QPushButton::clicked, this, [this] { ErrorBox::guard([this] { btnGoBackClick(); }); });
    ErrorBox::guard([this] { Compare(); });
}

ChangesWindow::~ChangesWindow() = default;

QStringList ChangesWindow::FilterTexts()
{
    QStringList texts{QStringLiteral("all changes")};
    for (const KindEntry& entry : kKinds)
        texts << ListChanges::KindText(entry.kind);
    return texts;
}

QString ChangesWindow::StatusText() const
{
    return panel0_->text();
}

void ChangesWindow::Compare()
{
    changes_ = {};
    Changes->clear();
    panel0_->clear();
    if (!newerFile_.isEmpty()) {
        changes_ = ListChanges::Compare(olderFile_, newerFile_);
    } else {
        const QString mainList = host_.ListLogic().FilePath(QString::fromLatin1(MainListFileName));
        changes_ = ListChanges::Compare(
            QFile::decodeName(ListInstaller::PreviousListPath(QFile::encodeName(mainList).toStdString()).c_str()),
            mainList);
    }
    panel0_->setText(changes_.Counts().Summary());
    FilterChange();
}

void ChangesWindow::FilterChange()
{
    // Choice 0 is "all changes"; choice i shows the kind of the table's row i - 1.
    const int chosen = Filter->currentIndex();
    const KindEntry* shown =
        chosen > 0 && chosen <= static_cast<int>(std::size(kKinds)) ? &kKinds[chosen - 1] : nullptr;
    Changes->clear();
    QList<QTreeWidgetItem*> items;
    for (const ListChange& change : changes_.Changes()) {
        if (shown != nullptr && change.kind != shown->kind)
            continue;
        auto* item = new QTreeWidgetItem(QStringList{
            ListChanges::KindText(change.kind), change.name, change.gameId, ListChanges::StatusText(change.oldStatus),
            ListChanges::StatusText(change.newStatus), change.fields.join(QStringLiteral(", "))});
        item->setIcon(KindColumn, Images::icon(ImageOf(change)));
        items.push_back(item);
    }
    Changes->addTopLevelItems(items);
    // Every column but the last as wide as its widest text, as in the main
    // list; the last one takes the rest.
    for (int column = 0; column + 1 < ColumnCount; ++column)
        Changes->resizeColumnToContents(column);
}

void ChangesWindow::btnGoBackClick()
{
    if (Asker::messageDlg(kGoBackQuestion, MsgDlgType::Confirmation, MbYes | MbNo, 0) != MrYes)
        return;
    const QString mainList = host_.ListLogic().FilePath(QString::fromLatin1(MainListFileName));
    ListInstaller::SwapWithPrevious(QFile::encodeName(mainList).toStdString());
    host_.ReloadMainList();
    Compare();
}

} // namespace quorvane::app
