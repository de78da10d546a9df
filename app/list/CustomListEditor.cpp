#include "app/list/CustomListEditor.h"

#include "app/list/AtomicFileWriter.h"
#include "app/list/CustomListWriter.h"
#include "app/list/InOutError.h"
#include "app/list/ListFileNames.h"
#include "app/list/MainList.h"

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
    rows.Clear();
    if (!QFileInfo(list_.FilePath(CustomListFileName)).isFile())
        return;
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
    changed_ = false;
}

} // namespace quorvane::app
