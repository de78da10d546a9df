#include "QtPrinters.h"
#include "app/ui/MessageDialog.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <vector>

namespace quorvane::app {
namespace {

TEST(MessageDialogButtons, CaptionsResultsAndOrder)
{
    struct Case {
        MsgDlgButton button;
        const char* caption;
        int result;
    };
    const std::vector<Case> cases{
        {MbYes, "&Yes", 6},
        {MbNo, "&No", 7},
        {MbOK, "OK", 1},
        {MbCancel, "Cancel", 2},
        {MbAbort, "&Abort", 3},
        {MbRetry, "&Retry", 4},
        {MbIgnore, "&Ignore", 5},
        {MbAll, "&All", 8},
        {MbNoToAll, "N&o to All", 9},
        {MbYesToAll, "Yes to &All", 10},
        {MbHelp, "&Help", 0},
    };
    MsgDlgButtons all = 0;
    for (const Case& c : cases) {
        EXPECT_EQ(MessageDialog::buttonCaption(c.button), QString::fromLatin1(c.caption));
        EXPECT_EQ(MessageDialog::buttonResult(c.button), c.result) << c.caption;
        all |= c.button;
    }
    // Every button at once: laid out left to right in bit order.
    MessageDialog dialog(QStringLiteral("x"), MsgDlgType::Custom, all);
    ASSERT_EQ(dialog.buttons().size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(dialog.buttons()[i]->text(), QString::fromLatin1(cases[i].caption));
    // The program's two sets are Yes + No (3) and OK alone (4).
    EXPECT_EQ(MbYes | MbNo, 3u);
    EXPECT_EQ(static_cast<unsigned>(MbOK), 4u);
}

TEST(MessageDialogButtons, DefaultAndCancelButtons)
{
    struct Case {
        MsgDlgButtons buttons;
        const char* defaultCaption; // nullptr: none
        const char* cancelCaption;
    };
    const std::vector<Case> cases{
        {MbYes | MbNo, "&Yes", "&No"},
        {MbOK, "OK", "OK"},
        {MbOK | MbCancel, "OK", "Cancel"},
        {MbYes | MbNo | MbCancel, "&Yes", "Cancel"},
        {MbAbort | MbRetry | MbIgnore, "&Retry", nullptr},
        {MbYes | MbNo | MbOK, "OK", "&No"},
    };
    for (const Case& c : cases) {
        MessageDialog dialog(QStringLiteral("x"), MsgDlgType::Confirmation, c.buttons);
        auto captionOf = [](QPushButton* b) { return b ? b->text() : QString(); };
        EXPECT_EQ(captionOf(dialog.defaultButton()), QString::fromLatin1(c.defaultCaption)) << c.buttons;
        EXPECT_EQ(captionOf(dialog.cancelButton()), c.cancelCaption ? QString::fromLatin1(c.cancelCaption) : QString())
            << c.buttons;
    }
}

TEST(MessageDialogButtons, EqualWidthsOfAtLeastFiftyDialogUnits)
{
    MessageDialog dialog(QStringLiteral("x"), MsgDlgType::Warning, MbYes | MbNo | MbYesToAll);
    const int width = dialog.buttons().front()->width();
    for (QPushButton* b : dialog.buttons())
        EXPECT_EQ(b->width(), width);
    const QFontMetrics fm(dialog.font());
    EXPECT_GE(width, fm.horizontalAdvance(QStringLiteral("Yes to All")) + 8);
    EXPECT_GE(width, 50 * fm.averageCharWidth() / 4);
}

TEST(MessageDialogTypes, CaptionsAndIcons)
{
    struct Case {
        MsgDlgType type;
        const char* caption;
        bool icon;
    };
    const std::vector<Case> cases{
        {MsgDlgType::Warning, "Warning", true},         {MsgDlgType::Error, "Error", true},
        {MsgDlgType::Information, "Information", true}, {MsgDlgType::Confirmation, "Confirm", true},
        {MsgDlgType::Custom, "Quorvane", false},
    };
    for (const Case& c : cases) {
        MessageDialog dialog(QStringLiteral("Some text"), c.type, MbOK);
        EXPECT_EQ(dialog.windowTitle(), QString::fromLatin1(c.caption));
        EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("Image")) != nullptr, c.icon) << c.caption;
        auto* message = dialog.findChild<QLabel*>(QStringLiteral("Message"));
        ASSERT_NE(message, nullptr);
        EXPECT_EQ(message->text(), QStringLiteral("Some text"));
    }
}

// Shows a dialog without a modal loop, performs `act` on it and returns the
// result it finished with (-1 when it did not finish).
template <typename Act>
int finishWith(MsgDlgButtons buttons, Act act)
{
    MessageDialog dialog(QStringLiteral("Question?"), MsgDlgType::Confirmation, buttons);
    QSignalSpy finished(&dialog, &QDialog::finished);
    dialog.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    act(dialog);
    if (finished.count() != 1)
        return -1;
    return finished.first().first().toInt();
}

TEST(MessageDialogAnswers, KeysButtonsAndCloseBox)
{
    auto key = [](Qt::Key k) { return [k](MessageDialog& d) { QTest::keyClick(&d, k); }; };
    auto closeBox = [](MessageDialog& d) { d.close(); };
    auto press = [](int i) {
        return [i](MessageDialog& d) { QTest::mouseClick(d.buttons()[static_cast<std::size_t>(i)], Qt::LeftButton); };
    };
    // Yes/No: Escape is No, Enter is Yes, the close box gives 2.
    EXPECT_EQ(finishWith(MbYes | MbNo, key(Qt::Key_Escape)), MrNo);
    EXPECT_EQ(finishWith(MbYes | MbNo, key(Qt::Key_Return)), MrYes);
    EXPECT_EQ(finishWith(MbYes | MbNo, closeBox), MrCancel);
    EXPECT_EQ(finishWith(MbYes | MbNo, press(0)), MrYes);
    EXPECT_EQ(finishWith(MbYes | MbNo, press(1)), MrNo);
    // OK alone: Escape and Enter are OK, the close box gives 2.
    EXPECT_EQ(finishWith(MbOK, key(Qt::Key_Escape)), MrOk);
    EXPECT_EQ(finishWith(MbOK, key(Qt::Key_Return)), MrOk);
    EXPECT_EQ(finishWith(MbOK, closeBox), MrCancel);
    // Help keeps the dialog open.
    EXPECT_EQ(finishWith(MbOK | MbHelp, press(1)), -1);
}

} // namespace
} // namespace quorvane::app
