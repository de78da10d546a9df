#include "app/ui/SendListFlow.h"

#include "app/list/ListFileNames.h"
#include "app/list/MainList.h"
#include "app/settings/UpdateServerSetting.h"
#include "app/ui/Asker.h"
#include "app/ui/SendPreviewDialog.h"
#include "app/ui/SendWindow.h"
#include "app/update/SubmitFlow.h"

#include <QFile>
#include <QFileInfo>

namespace quorvane::app {

namespace {

const QString kSaveBeforeSendQuestion =
    QStringLiteral("Your Custom List has changes that are not saved, and only the saved list is sent. "
                   "Save the changes first?");
const QString kNoCustomListToSend = QStringLiteral("There is no Custom List to send. Save one first.");

} // namespace

SendListFlow::SendListFlow(const MainList& list, FtpServer updateServer, QWidget* parent)
    : list_(list), updateServer_(std::move(updateServer)), parent_(parent)
{}

void SendListFlow::Run(const UnsavedRows& unsaved)
{
    if (unsaved.present) {
        switch (Asker::messageDlg(kSaveBeforeSendQuestion, MsgDlgType::Confirmation, MbYes | MbNo | MbCancel, 0)) {
        case MrYes:
            if (!unsaved.save())
                return;
            break;
        case MrNo: break; // the saved file goes as it is
        default: return;
        }
    }
    const QString file = list_.FilePath(QString::fromLatin1(CustomListFileName));
    if (!QFileInfo(file).isFile()) {
        Asker::messageDlg(kNoCustomListToSend, MsgDlgType::Information, MbOK, 0);
        return;
    }
    // A list that fails a check is shown in the error box instead of the
    // preview; the bytes checked are the bytes sent.
    CheckedSubmission checked = SubmitFlow::Check(QFile::encodeName(file).toStdString());
    const FtpServer server =
        UpdateServerSetting::StoredSubmitServer().value_or(SubmitFlow::IncomingFolderOf(updateServer_));
    {
        SendPreviewDialog preview(checked, server, parent_);
        if (Asker::current().runModal(preview) != QDialog::Accepted)
            return;
    }
    SendWindow sending(std::move(checked), server, list_.FilePath(QString::fromLatin1(SubmitFlow::LogFileName)),
                       parent_);
    Asker::current().runModal(sending);
}

} // namespace quorvane::app
