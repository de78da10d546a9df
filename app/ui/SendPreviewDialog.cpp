#include "app/ui/SendPreviewDialog.h"

#include "app/text/Utf8Text.h"
#include "app/ui/DesignFont.h"
#include "app/ui/Images.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace quorvane::app {

namespace {

/// The sub-items of a list item that the preview shows beside its name.
constexpr int kIdField = 0;
constexpr int kNickField = 4;

QLabel* PlainLabel(const QString& text, const char* name, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    // Host names and file texts are never read as markup.
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}

} // namespace

SendPreviewDialog::SendPreviewDialog(const CheckedSubmission& list, const FtpServer& server, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("SendPreviewDialog"));
    setWindowTitle(QStringLiteral("Send Custom List"));
    setWindowIcon(Images::applicationIcon());
    DesignFont::apply(*this);

    lblHost =
        PlainLabel(QStringLiteral("To the list's keepers at %1:").arg(Utf8Text::Decode(server.Host)), "lblHost", this);

    viewRecords = new QTreeWidget(this);
    viewRecords->setObjectName(QStringLiteral("viewRecords"));
    viewRecords->setRootIsDecorated(false);
    viewRecords->setUniformRowHeights(true);
    viewRecords->setSelectionMode(QAbstractItemView::NoSelection);
    viewRecords->setHeaderLabels(
        {QStringLiteral("Name"), QStringLiteral("ID"), QStringLiteral("Boots"), QStringLiteral("Nick")});
    QList<QTreeWidgetItem*> rows;
    rows.reserve(static_cast<qsizetype>(list.items.size()));
    for (const ListItem& item : list.items) {
        // Only the two flags the editor writes say yes or no; any other text
        // is shown as the file has it, with no tick or cross, so the preview
        // never claims more than the file says.
        const QString& flag = item.subItems[GoodSubItem];
        QString boots = flag;
        if (flag == QLatin1String(BootsFlag))
            boots = QStringLiteral("Yes");
        else if (flag == QLatin1String(DoesNotBootFlag))
            boots = QStringLiteral("No");
        auto* row = new QTreeWidgetItem({item.caption, item.subItems[kIdField], boots, item.subItems[kNickField]});
        if (boots != flag)
            row->setIcon(0, Images::icon(static_cast<int>(item.image)));
        rows.append(row);
    }
    viewRecords->addTopLevelItems(rows);
    for (int column = 1; column < viewRecords->columnCount(); ++column)
        viewRecords->resizeColumnToContents(column);
    viewRecords->header()->setStretchLastSection(false);
    viewRecords->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    viewRecords->setMinimumSize(480, 220);

    lblSize = PlainLabel(QStringLiteral("%1 records, %2 bytes.").arg(list.items.size()).arg(list.bytes.size()),
                         "lblSize", this);
    lblNick = PlainLabel(QStringLiteral("The nick in each record goes along with it, so the list's keepers "
                                        "know who tested the game."),
                         "lblNick", this);

    auto* buttons = new QDialogButtonBox(this);
    btnSend = buttons->addButton(QStringLiteral("&Send"), QDialogButtonBox::AcceptRole);
    btnSend->setObjectName(QStringLiteral("btnSend"));
    btnCancel = buttons->addButton(QStringLiteral("&Cancel"), QDialogButtonBox::RejectRole);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    // Nothing leaves on a stray Return.
    btnCancel->setDefault(true);
    connect(btnSend, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblHost);
    layout->addWidget(viewRecords, 1);
    layout->addWidget(lblSize);
    layout->addWidget(lblNick);
    layout->addWidget(buttons);
    btnCancel->setFocus();
}

} // namespace quorvane::app
