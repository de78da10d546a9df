#include "app/list/CustomListEditor.h"

#include "app/list/AtomicFileWriter.h"
#include "app/list/CustomListWriter.h"
#include "app/list/InOutError.h"
#include "app/list/ListFileNames.h"
#include "app/list/MainList.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <string>

namespace quorvane::app {

CustomListEditor::CustomListEditor(MainList& list) : list_(list) {}

void CustomListEditor::Open(ListSink& rows)
{
    changed_ = false;
    unreadable_ = false;
    known_.clear();
    rows.Clear();
    const QString path = list_.FilePath(CustomListFileName);
    if (!QFileInfo(path).isFile())
        return;
    // The bytes are taken before the records: should the file change in
    // between, the next save sees a change and asks rather than losing one.
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        known_ = Digest(file.readAll());
    std::vector<ListItem> records;
    try {
        records = list_.ReadCustomListRows();
    } catch (...) {
        unreadable_ = true;
        throw;
    }
    for (ListItem& record : records)
        rows.AddItem(std::move(record));
    rows.FillFinished();
}

QByteArray CustomListEditor::Digest(const QByteArray& bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

bool CustomListEditor::FileChangedOnDisk() const
{
    if (unreadable_)
        return false;
    QFile file(list_.FilePath(CustomListFileName));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    return Digest(bytes) != known_;
}

bool CustomListEditor::IsBlank(const ListItem& row)
{
    return row.caption.trimmed().isEmpty() && (row.subItems.empty() || row.subItems[0].trimmed().isEmpty());
}

void CustomListEditor::Save(const std::vector<ListItem>& rows)
{
    // Composing checks every row first, so a refused row moves nothing.
    const std::string text = CustomListWriter::Compose(rows);
    const QString path = list_.FilePath(CustomListFileName);
    if (unreadable_ && QFileInfo::exists(path)) {
        // The records of a file that did not load were never shown; the
        // file is kept under another name instead of being overwritten.
        const QByteArray from = QFile::encodeName(path);
        const QByteArray to = QFile::encodeName(path + QStringLiteral(".unreadable"));
        if (std::rename(from.constData(), to.constData()) != 0)
            throw InOutError(errno);
    }
    unreadable_ = false;
    AtomicFileWriter file(path);
    file.Write(text);
    file.Commit();
    known_ = Digest(QByteArray::fromStdString(text));
    changed_ = false;
}

} // namespace quorvane::app
