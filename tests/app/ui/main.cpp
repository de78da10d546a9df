#include "tests/support/TempDir.h"

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    // Widgets run headless; this must happen before the QApplication exists
    // (test discovery runs this main too, so the environment of CTest alone
    // would not reach it).
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // The views sort by the machine's locale; the expected orders are those of
    // the C locale (which sorts as English), whatever the test machine uses.
    setenv("LC_ALL", "C.UTF-8", 1);
    // The windows keep user settings; the tests keep theirs in a folder of
    // their own, never in the user's.
    const quorvane::test::TempDir config("quorvane-ui-config");
    setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
