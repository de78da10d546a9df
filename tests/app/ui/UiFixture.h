#pragma once

#include "ScriptedAsker.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>

namespace quorvane::app::test {

/// Runs a test in a fresh temporary directory as the working directory
/// (the program names its files without a path) with a ScriptedAsker in
/// force.
class UiFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        previous_ = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(dir_.path()));
    }
    void TearDown() override
    {
        QDir::setCurrent(previous_);
        // A question nobody scripted got the close box's answer; that hides
        // a fault as easily as it shows one.
        for (const auto& q : asker.questions)
            EXPECT_TRUE(q.answered) << "unexpected question: " << q.text.toStdString();
        EXPECT_TRUE(asker.allAnswersUsed()) << "a scripted answer was never asked for";
    }

    /// Writes @p bytes to @p name in the working directory.
    static void writeFile(const QString& name, const std::string& bytes)
    {
        QFile f(name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(f.write(bytes.data(), static_cast<qint64>(bytes.size())), static_cast<qint64>(bytes.size()));
    }

    /// The bytes of @p name, or an empty string when it cannot be read.
    static std::string readFile(const QString& name)
    {
        QFile f(name);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return f.readAll().toStdString();
    }

    QString path(const QString& name) const { return dir_.filePath(name); }

    ScriptedAsker asker;

private:
    QTemporaryDir dir_;
    QString previous_;
};

/// @p text as XML character data.
inline std::string escaped(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else
            out += c;
    }
    return out;
}

/// A record of a list file, written with CR LF line ends.
inline std::string gcm(const std::string& name, const std::string& good, const std::string& id = "GID",
                       bool withNick = true)
{
    std::string s = "<GCM>\r\n<GAMENAME>" + escaped(name) + "</GAMENAME>\r\n<GAMEID>" + id +
                    "</GAMEID>\r\n<NOTES>notes of " + escaped(name) + "</NOTES>\r\n<SSIZE>?</SSIZE>\r\n<GOOD>" + good +
                    "</GOOD>\r\n";
    if (withNick)
        s += "<NICK>tester</NICK>\r\n";
    return s + "<INST>none</INST>\r\n</GCM>\r\n";
}

/// A whole list file with version @p version around @p records.
inline std::string listFile(const std::string& version, const std::string& records)
{
    return "<?xml version=\"1.0\" ?>\r\n<IMAGE>\r\n<VERSION>\r\n<NUMBER>" + version +
           "</NUMBER>\r\n</VERSION>\r\n<!--GCM LISTINGS -->\r\n" + records + "<!-- End -->\r\n</IMAGE>\r\n";
}

} // namespace quorvane::app::test
