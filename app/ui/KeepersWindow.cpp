#include "app/ui/KeepersWindow.h"

#include "app/list/ListFileNames.h"
#include "app/list/ReportAcceptance.h"
#include "app/settings/SettingsKeys.h"
#include "app/settings/UpdateServerSetting.h"
#include "app/settings/UserSettings.h"
#include "app/text/ControlEscapes.h"
#include "app/text/Utf8Text.h"
#include "app/ui/Asker.h"
#include "app/ui/CertificateDialog.h"
#include "app/ui/ChangesWindow.h"
#include "app/ui/DesignFont.h"
#include "app/ui/ErrorBox.h"
#include "app/ui/Images.h"
#include "app/ui/MainListHost.h"
#include "app/ui/NetworkJobWindow.h"
#include "app/ui/ReportTableModel.h"
#include "app/ui/WindowLayout.h"
#include "app/update/ListInstaller.h"
#include "app/update/PublishFlow.h"
#include "app/update/ReportFetch.h"
#include "net/ftp/FtpClient.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryFile>
#include <QTreeView>
#include <QVBoxLayout>

#include <limits>
#include <optional>
#include <stdexcept>
#include <string>

namespace quorvane::app {

namespace {

constexpr ReportKind kKinds[] = {ReportKind::New, ReportKind::Confirms, ReportKind::Contradicts, ReportKind::AddsNotes,
                                 ReportKind::Unclear};

const QString kNoKeepersServer =
    QStringLiteral("No keepers' server is set: name it under \"Keepers' server\" in File > Update Server...");
const QString kNothingAccepted = QStringLiteral("No report record is accepted: tick the ones to merge.");

/// The version a merge proposes: the list's plus one when it is a whole
/// number, else the list's as it is, for the keeper to change.
QString ProposedVersion(const std::string& version)
{
    bool number = false;
    const qulonglong value = QString::fromStdString(version).trimmed().toULongLong(&number);
    if (number && value < std::numeric_limits<qulonglong>::max())
        return QString::number(value + 1);
    return Utf8Text::Decode(version);
}

/// Asks for the new list's version, proposing `proposed`; none when the
/// keeper cancels or leaves it empty.
std::optional<std::string> AskVersion(const QString& proposed, QWidget* parent)
{
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("VersionDialog"));
    dialog.setWindowTitle(QStringLiteral("Merge Reports"));
    DesignFont::apply(dialog);
    auto* edit = new QLineEdit(proposed, &dialog);
    edit->setObjectName(QStringLiteral("editVersion"));
    edit->selectAll();
    auto* label = new QLabel(QStringLiteral("New list &version:"), &dialog);
    label->setBuddy(edit);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(label);
    layout->addWidget(edit);
    layout->addWidget(buttons);
    if (Asker::current().runModal(dialog) != QDialog::Accepted)
        return std::nullopt;
    const QString version = edit->text().trimmed();
    if (version.isEmpty())
        return std::nullopt;
    return version.toStdString();
}

/// A certificate that does not verify is put to the keeper before the login,
/// as the other windows ask it.
void AskAboutCertificates(ftp::FtpClient& client, const FtpServer& server, QWidget* parent)
{
    client.OnUnverifiedCertificate = [&server, parent](const ftp::FtpClient::UnverifiedCertificate& certificate) {
        return CertificateDialog::AskToTrust(CertificateQuestion::About(certificate), server.Host, server.Port,
                                             CertificateDialog::RequirementOf(server), parent);
    };
}

/// Status texts come from the server's words and file names: control
/// characters are shown as escapes.
NetworkJobWindow::Report Escaped(const NetworkJobWindow::Report& report)
{
    return {[&report](const std::string& text) { report.status(EscapeControls(text)); }, report.progress};
}

/// A reason on one line: the XML layer's line breaks become blanks, other
/// control characters escapes.
QString OneLine(const std::string& text)
{
    std::string line = text;
    for (char& c : line) {
        if (c == '\r' || c == '\n')
            c = ' ';
    }
    return Utf8Text::Decode(EscapeControls(line)).simplified();
}

} // namespace

KeepersWindow::KeepersWindow(MainListHost& host) : QDialog(nullptr), host_(host)
{
    setObjectName(QStringLiteral("KeepersWindow"));
    setWindowTitle(QStringLiteral("Review Reports"));
    setWindowIcon(Images::applicationIcon());
    DesignFont::apply(*this);
    resize(900, 480);

    btnFetch = new QPushButton(QStringLiteral("&Fetch Reports"), this);
    btnFetch->setObjectName(QStringLiteral("btnFetch"));
    chkMoveAside = new QCheckBox(QStringLiteral("&Move fetched reports aside on the server"), this);
    chkMoveAside->setObjectName(QStringLiteral("chkMoveAside"));
    chkMoveAside->setToolTip(QStringLiteral("Each report fetched is moved into processed/ on the server, so the next "
                                            "fetch does not see it."));
    Filter = new QComboBox(this);
    Filter->setObjectName(QStringLiteral("Filter"));
    Filter->addItem(QStringLiteral("all kinds"));
    for (const ReportKind kind : kKinds)
        Filter->addItem(ReportTableModel::KindWords(kind));
    btnAcceptKind = new QPushButton(QStringLiteral("Accept &All of This Kind"), this);
    btnAcceptKind->setObjectName(QStringLiteral("btnAcceptKind"));

    model_ = new ReportTableModel(this);
    filter_ = new ReportFilterModel(this);
    filter_->setSourceModel(model_);
    filter_->setSortRole(ReportTableModel::SortRole);
    filter_->setSortCaseSensitivity(Qt::CaseInsensitive);
    Reports = new QTreeView(this);
    Reports->setObjectName(QStringLiteral("Reports"));
    Reports->setModel(filter_);
    Reports->setRootIsDecorated(false);
    Reports->setUniformRowHeights(true);
    Reports->setAlternatingRowColors(true);
    Reports->setSelectionMode(QAbstractItemView::SingleSelection);
    Reports->setSortingEnabled(true);
    // The review's order (grouped by game) until the keeper sorts by a column.
    Reports->sortByColumn(-1, Qt::AscendingOrder);

    lblUnreadable = new QLabel(QStringLiteral("&Unreadable reports:"), this);
    Unreadable = new QListWidget(this);
    Unreadable->setObjectName(QStringLiteral("Unreadable"));
    Unreadable->setMaximumHeight(80);
    lblUnreadable->setBuddy(Unreadable);

    btnMerge = new QPushButton(QStringLiteral("M&erge..."), this);
    btnMerge->setObjectName(QStringLiteral("btnMerge"));
    btnPublish = new QPushButton(QStringLiteral("&Publish..."), this);
    btnPublish->setObjectName(QStringLiteral("btnPublish"));
    btnClose = new QPushButton(QStringLiteral("&Close"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    for (QPushButton* button : {btnFetch, btnAcceptKind, btnMerge, btnPublish, btnClose})
        button->setAutoDefault(false);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(true);
    panel0_ = new QLabel(StatusBar1);
    panel0_->setObjectName(QStringLiteral("StatusBar1Panel0"));
    panel0_->setTextFormat(Qt::PlainText);
    StatusBar1->addWidget(panel0_, 1);
    panel1_ = new QLabel(StatusBar1);
    panel1_->setObjectName(QStringLiteral("StatusBar1Panel1"));
    panel1_->setTextFormat(Qt::PlainText);
    StatusBar1->addPermanentWidget(panel1_);

    auto* top = new QHBoxLayout;
    top->setContentsMargins(6, 0, 6, 0);
    top->addWidget(btnFetch);
    top->addWidget(chkMoveAside);
    top->addStretch(1);
    auto* filterLabel = new QLabel(QStringLiteral("&Show:"), this);
    filterLabel->setBuddy(Filter);
    top->addWidget(filterLabel);
    top->addWidget(Filter);
    top->addWidget(btnAcceptKind);
    auto* bottom = new QHBoxLayout;
    bottom->setContentsMargins(6, 0, 6, 0);
    bottom->addWidget(lblUnreadable);
    bottom->addStretch(1);
    bottom->addWidget(btnMerge);
    bottom->addWidget(btnPublish);
    bottom->addWidget(btnClose);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 4, 0, 0);
    layout->addLayout(top);
    layout->addWidget(Reports, 1);
    layout->addLayout(bottom);
    layout->addWidget(Unreadable);
    layout->addWidget(StatusBar1);
    setTabOrder(btnFetch, chkMoveAside);
    setTabOrder(chkMoveAside, Filter);
    setTabOrder(Filter, btnAcceptKind);
    setTabOrder(btnAcceptKind, Reports);
    setTabOrder(Reports, Unreadable);
    setTabOrder(Unreadable, btnMerge);
    setTabOrder(btnMerge, btnPublish);
    setTabOrder(btnPublish, btnClose);

    const auto wire = [this](QPushButton* button, void (KeepersWindow::*handler)()) {
        connect(button, &QPushButton::clicked, this, [this, handler] { ErrorBox::guard([&] { (this->*handler)(); }); });
    };
    wire(btnFetch, &KeepersWindow::btnFetchClick);
    wire(btnAcceptKind, &KeepersWindow::btnAcceptKindClick);
    wire(btnMerge, &KeepersWindow::btnMergeClick);
    wire(btnPublish, &KeepersWindow::btnPublishClick);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);
    connect(Filter, &QComboBox::currentIndexChanged, this, [this] { ErrorBox::guard([this] { FilterChange(); }); });
    connect(model_, &ReportTableModel::acceptanceChanged, this, [this] { ShowCounts(); });

    ErrorBox::guard([this] { WindowLayout::RestoreGeometry(*this, settings::kKeepersWindow); });
    FilterChange();
    ErrorBox::guard([this] { Review(); });
}

KeepersWindow::~KeepersWindow() = default;

void KeepersWindow::done(int result)
{
    ErrorBox::guard([this] { WindowLayout::SaveGeometry(*this, settings::kKeepersWindow); });
    QDialog::done(result);
}

QString KeepersWindow::MainListPath() const
{
    return host_.ListLogic().FilePath(QString::fromLatin1(MainListFileName));
}

QString KeepersWindow::ReportsFolder() const
{
    return host_.ListLogic().FilePath(QStringLiteral("reports")) + QLatin1Char('/');
}

QString KeepersWindow::StatusText() const
{
    return panel0_->text();
}

void KeepersWindow::Review()
{
    ReportReview review;
    if (QFileInfo(ReportsFolder()).isDir()) {
        for (const QString& file : ReportReview::ReportFiles({ReportsFolder()}))
            review.AddFile(file);
    }
    review.Review(MainListPath());
    model_->SetReview(std::move(review));
    Unreadable->clear();
    for (const ReviewedReport& report : model_->Review().Reports()) {
        if (!report.problem.empty())
            Unreadable->addItem(QFileInfo(report.path).fileName() + QStringLiteral(": ") + OneLine(report.problem));
    }
    lblUnreadable->setVisible(Unreadable->count() > 0);
    Unreadable->setVisible(Unreadable->count() > 0);
    FitColumns();
}

void KeepersWindow::FitColumns()
{
    for (int column = 0; column + 1 < ReportTableModel::ColumnCount; ++column)
        Reports->resizeColumnToContents(column);
}

void KeepersWindow::ShowCounts()
{
    panel0_->setText(QString::fromStdString(model_->Review().Counts().Summary()));
    const int accepted = model_->Acceptance().AcceptedCount();
    panel1_->setText(QStringLiteral("Accepted [%1]").arg(accepted));
    // A disagreement mark may have widened the kinds.
    Reports->resizeColumnToContents(ReportTableModel::KindColumn);
    btnMerge->setEnabled(accepted > 0);
}

void KeepersWindow::FilterChange()
{
    const int chosen = Filter->currentIndex();
    filter_->SetKind(chosen > 0 ? std::optional<ReportKind>(kKinds[chosen - 1]) : std::nullopt);
    btnAcceptKind->setEnabled(chosen > 0 && kKinds[chosen - 1] != ReportKind::Unclear);
}

void KeepersWindow::btnAcceptKindClick()
{
    const int chosen = Filter->currentIndex();
    if (chosen > 0)
        model_->AcceptKind(kKinds[chosen - 1]);
}

void KeepersWindow::btnFetchClick()
{
    const std::optional<FtpServer> server = UpdateServerSetting::StoredKeepersServer();
    if (!server) {
        Asker::messageDlg(kNoKeepersServer, MsgDlgType::Information, MbOK, 0);
        return;
    }
    ReportFetch fetch(*server);
    AskAboutCertificates(fetch.Client(), *server, this);
    const std::string folder = QFile::encodeName(ReportsFolder()).toStdString();
    const std::string moveTo = chkMoveAside->isChecked() ? MoveAsideFolder : "";
    NetworkJobWindow job(
        QStringLiteral("Fetching Reports"),
        [&](const NetworkJobWindow::Report& report) {
            // The names skipped stay in the outcome; other statuses pass.
            std::string skipped;
            const FetchedReports fetched = fetch.Fetch(folder, moveTo, [&](const std::string& status) {
                if (status.rfind("Skipped ", 0) == 0)
                    skipped += '\n' + EscapeControls(status);
                report.status(EscapeControls(status));
            });
            std::string text = fetched.Text() + skipped;
            for (const std::string& failure : fetched.failures)
                text += '\n' + EscapeControls(failure);
            return text;
        },
        [&fetch] { fetch.Abort(); }, 0, QStringLiteral("Fetching was cancelled."), this);
    Asker::current().runModal(job);
    Review();
}

void KeepersWindow::btnMergeClick()
{
    if (model_->Acceptance().AcceptedCount() == 0) {
        Asker::messageDlg(kNothingAccepted, MsgDlgType::Information, MbOK, 0);
        return;
    }
    const std::optional<std::string> version = AskVersion(ProposedVersion(host_.ListLogic().State().ListVersion), this);
    if (!version)
        return;
    const QString mainList = MainListPath();
    const MergedList merged = model_->Merge(mainList, *version);
    if (!merged.disagreements.empty()) {
        const QString question =
            QStringLiteral("Accepted reports disagree on %1 games; they are left as they are. Merge the rest?")
                .arg(merged.disagreements.size());
        if (Asker::messageDlg(question, MsgDlgType::Confirmation, MbYes | MbNo, 0) != MrYes)
            return;
    }

    // The new list is written beside the old one and compared with it;
    // nothing is put in place before the keeper says so.
    QTemporaryFile preview(QFileInfo(mainList).dir().filePath(QStringLiteral("gcmList.merge-XXXXXX.xml")));
    if (!preview.open() ||
        preview.write(merged.text.data(), static_cast<qint64>(merged.text.size())) !=
            static_cast<qint64>(merged.text.size()) ||
        !preview.flush())
        throw std::runtime_error("Cannot write the merged list beside " + QFile::encodeName(mainList).toStdString() +
                                 ". " + preview.errorString().toStdString());
    preview.close();
    {
        ChangesWindow window(host_, mainList, preview.fileName(), QStringLiteral("What the Merge Changes"));
        if (Asker::current().runModal(window) != QDialog::Accepted)
            return;
    }
    const InstallResult installed = ListInstaller::InstallText(merged.text, QFile::encodeName(mainList).toStdString());
    host_.ReloadMainList();
    host_.ShowPassingMessage(merged.changes.Summary());
    if (installed.previous == PreviousList::NotKept)
        Asker::messageDlg(Utf8Text::Decode(installed.problem), MsgDlgType::Warning, MbOK, 0);
    Review();
    ChangesWindow window(host_);
    Asker::current().runModal(window);
    // "Go Back" there may have put the old list back.
    Review();
}

FtpServer KeepersWindow::PublishServer() const
{
    const std::string url = UserSettings::Text(*UserSettings::Open(), settings::kKeepersPublish);
    if (url.empty())
        return host_.UpdateServer().server;
    return FtpServer::Parse(url);
}

void KeepersWindow::btnPublishClick()
{
    const FtpServer server = PublishServer();
    // The bytes checked are the bytes uploaded.
    const CheckedList list = PublishFlow::Check(QFile::encodeName(MainListPath()).toStdString());
    const QString question = QStringLiteral("Publish list version %1 (%2 records) to %3?")
                                 .arg(Utf8Text::Decode(list.version))
                                 .arg(list.records)
                                 .arg(QString::fromStdString(server.Url(FtpServer::UrlPassword::Masked)));
    if (Asker::messageDlg(question, MsgDlgType::Confirmation, MbYes | MbNo, 0) != MrYes)
        return;
    PublishFlow flow(server);
    AskAboutCertificates(flow.Client(), server, this);
    NetworkJobWindow job(
        QStringLiteral("Publishing the List"),
        [&](const NetworkJobWindow::Report& report) {
            const NetworkJobWindow::Report escaped = Escaped(report);
            const PublishedList published = flow.Publish(list, escaped.status, escaped.progress);
            std::string text = published.Text();
            if (published.movedAside)
                text += "\nThe server does not rename over a file: the old list was moved aside, then deleted.";
            if (!published.leftAside.empty())
                text += "\nThe old list could not be deleted: it stays on the server as " +
                        EscapeControls(published.leftAside) + ".";
            return text;
        },
        [&flow] { flow.Abort(); }, static_cast<std::int64_t>(list.bytes.size()),
        QStringLiteral("Publishing was cancelled."), this);
    Asker::current().runModal(job);
    if (job.Succeeded())
        host_.ShowPassingMessage(job.StatusText().section(QLatin1Char('\n'), 0, 0));
}

} // namespace quorvane::app
