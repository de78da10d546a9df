#pragma once

#include "app/list/ListItem.h"
#include "app/list/ListSink.h"
#include "app/list/StatusSink.h"
#include "tests/support/ListFiles.h"
#include "tests/support/TempDir.h"

#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quorvane::app::test {

using ::quorvane::test::CountLines;
using ::quorvane::test::CrLf;
using ::quorvane::test::Fields;
using ::quorvane::test::ListFile;
using ::quorvane::test::TempDir;

/// `dir`'s path, or the path of `name` inside it, as the list logic takes
/// paths.
inline QString QtPath(const TempDir& dir, const std::string& name = {})
{
    return QString::fromStdString(name.empty() ? dir.Path().string() : dir.File(name));
}

inline ListItem Item(const QString& caption, const QString& id, const QString& notes, const QString& size,
                     const QString& good, const QString& nick, const QString& inst)
{
    ListItem item;
    item.caption = caption;
    item.subItems = {id, notes, size, good, nick, inst};
    item.image = good == QStringLiteral("1") ? BootImage::Tick : BootImage::Cross;
    return item;
}

/// A sink that keeps the items in arrival (document) order and logs the calls.
class RecordingSink : public ListSink {
public:
    void Clear() override
    {
        items.clear();
        calls.push_back("clear");
    }
    void AddItem(ListItem item) override
    {
        calls.push_back("add");
        items.push_back(std::move(item));
    }
    void FillFinished() override { calls.push_back("finished"); }

    QStringList Captions() const
    {
        QStringList captions;
        for (const ListItem& item : items)
            captions << item.caption;
        return captions;
    }

    std::vector<ListItem> items;
    std::vector<std::string> calls;
};

/// A status panel that remembers every text written to it.
class RecordingStatus : public StatusSink {
public:
    void SetStatusText(const QString& text) override { texts << text; }
    std::string Last() const { return texts.isEmpty() ? "<none>" : texts.back().toStdString(); }
    QStringList texts;
};

} // namespace quorvane::app::test
