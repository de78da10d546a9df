#pragma once

#include "app/list/ListItem.h"
#include "app/list/ListSink.h"
#include "app/list/StatusSink.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quorvane::app::test {

/// A fresh folder under the system's temporary directory, removed afterwards.
class ScratchFolder {
public:
    ScratchFolder() { EXPECT_TRUE(dir_.isValid()); }
    QString Path() const { return dir_.path(); }
    QString File(const QString& name) const { return dir_.filePath(name); }

    void Write(const QString& name, const std::string& bytes) const
    {
        QFile file(File(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(file.write(bytes.data(), static_cast<qint64>(bytes.size())), static_cast<qint64>(bytes.size()));
    }
    std::string Read(const QString& name) const
    {
        QFile file(File(name));
        if (!file.open(QIODevice::ReadOnly))
            return "<missing>";
        return file.readAll().toStdString();
    }
    bool Exists(const QString& name) const { return QFile::exists(File(name)); }
    /// Names of the entries, to catch temporary files left behind.
    QStringList Entries() const { return QDir(dir_.path()).entryList(QDir::Files | QDir::NoDotAndDotDot); }

private:
    QTemporaryDir dir_;
};

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

/// Joins lines, each followed by CR LF.
inline std::string CrLf(const std::vector<std::string>& lines)
{
    std::string out;
    for (const std::string& line : lines)
        out += line + "\r\n";
    return out;
}

/// Number of CR LF line ends in `text`.
inline int CountLines(const std::string& text)
{
    int count = 0;
    for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2))
        ++count;
    return count;
}

/// A List File (CR LF) with the given records, each a list of already-escaped
/// field lines such as "<GAMENAME>a</GAMENAME>".
inline std::string ListFile(const std::string& version, const std::vector<std::vector<std::string>>& records,
                            const std::string& between = "")
{
    std::vector<std::string> lines = {"<?xml version=\"1.0\" ?>",         "<IMAGE>",    "<VERSION>",
                                      "<NUMBER>" + version + "</NUMBER>", "</VERSION>", "<!--GCM LISTINGS -->"};
    for (const auto& record : records) {
        lines.push_back("<GCM>");
        lines.insert(lines.end(), record.begin(), record.end());
        lines.push_back("</GCM>");
        if (!between.empty())
            lines.push_back(between);
    }
    lines.push_back("<!-- End -->");
    lines.push_back("</IMAGE>");
    return CrLf(lines);
}

/// The field lines of a complete record.
inline std::vector<std::string> Fields(const std::string& name, const std::string& good,
                                       const std::string& id = "QAAE01")
{
    return {"<GAMENAME>" + name + "</GAMENAME>",
            "<GAMEID>" + id + "</GAMEID>",
            "<NOTES>Ingame</NOTES>",
            "<SSIZE>120</SSIZE>",
            "<GOOD>" + good + "</GOOD>",
            "<NICK>tester</NICK>",
            "<INST>none</INST>"};
}

} // namespace quorvane::app::test
