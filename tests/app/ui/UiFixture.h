#pragma once

#include "ScriptedAsker.h"
#include "app/ui/DownloadWindow.h"
#include "app/ui/MainWindow.h"
#include "tests/support/ListFiles.h"
#include "tests/support/TempDir.h"

#include <QDir>
#include <QSettings>

#include <gtest/gtest.h>

#include <string>

namespace quorvane::app::test {

using ::quorvane::test::GcmRecord;
using ::quorvane::test::ListFile;

/// Runs a test in a fresh temporary directory as the working directory
/// (the program names its files without a path), with the user's settings
/// file in its "config" folder, and a ScriptedAsker in force.
class UiFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        previous_ = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(dir_.Path().string())));
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, configFolder());
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

    /// Writes `bytes` to `name` in the working directory.
    static void writeFile(const QString& name, const std::string& bytes)
    {
        ::quorvane::test::WriteBytes(name.toStdString(), bytes);
    }

    /// The bytes of `name`, or an empty string when it cannot be read.
    static std::string readFile(const QString& name) { return ::quorvane::test::ReadBytes(name.toStdString()); }

    QString path(const QString& name) const { return QString::fromStdString(dir_.File(name.toStdString())); }

    /// Where the test's settings file lives: "quorvane/quorvane.conf" in here.
    QString configFolder() const { return path(QStringLiteral("config")); }

    ScriptedAsker asker;

private:
    ::quorvane::test::TempDir dir_{"quorvane-ui"};
    QString previous_;
};

/// The Main Window a Download Window was opened from, for what a test reads
/// of it beyond the little the window itself may use.
inline MainWindow& MainWindowOf(DownloadWindow& window)
{
    return dynamic_cast<MainWindow&>(window.host());
}

} // namespace quorvane::app::test
