#include "app/ui/ChangesWindow.h"

#include "app/list/ListFileNames.h"
#include "app/ui/Asker.h"
#include "app/ui/ErrorBox.h"
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

namespace quorvane::app {

namespace {

const QString kGoBackQuestion = QStringLiteral(
    "Go back to the previous list? The list in use now becomes the previous list, so you can come back to it.");

enum Column { KindColumn, NameColumn, IdColumn, OldStatusColumn, NewStatusColumn, FieldsColumn, ColumnCount };

/// The tick or the cross of the status the change leaves the game with; a
/// removed game is in no list any more and gets the neutral mark.
int ImageOf(const ListChange& change)
{
    if (change.kind == ChangeKind::Removed)
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

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    panel0_ = new QLabel(StatusBar1);
    panel0_->setObjectName(QStringLiteral("StatusBar1Panel0"));
    panel0_->setTextFormat(Qt::PlainText);
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
    for (ChangeKind kind :
         {ChangeKind::New, ChangeKind::Removed, ChangeKind::NowBoots, ChangeKind::NoLongerBoots, ChangeKind::Changed})
        texts << ListChanges::KindText(kind);
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
    const int chosen = Filter->currentIndex();
    Changes->clear();
    QList<QTreeWidgetItem*> items;
    for (const ListChange& change : changes_.Changes()) {
        if (chosen > 0 && static_cast<int>(change.kind) != chosen - 1)
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
