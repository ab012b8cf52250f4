// The message-box helper: what the box looks like, and the hook that answers for tests.
#include "gui/message_box.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "gui/wait_cursor.h"

namespace varlen {
namespace {

TEST(MessageBox, QuestionWithYesAndNo) {
    const auto box =
        BuildMessageBox(nullptr, {QStringLiteral("削除しますか？"), MessageIcon::kQuestion,
                                  MessageButtons::kYesNo, MessageAnswer::kNo});
    EXPECT_EQ(box->windowTitle(), QStringLiteral("Varlen"));
    EXPECT_EQ(box->text(), QStringLiteral("削除しますか？"));
    EXPECT_EQ(box->icon(), QMessageBox::Question);
    EXPECT_EQ(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::No));
    EXPECT_EQ(box->escapeButton(), box->button(QMessageBox::No));
}

TEST(MessageBox, ErrorWithOk) {
    const auto box = BuildMessageBox(nullptr, {QStringLiteral("失敗"), MessageIcon::kError,
                                               MessageButtons::kOk, MessageAnswer::kOk});
    EXPECT_EQ(box->icon(), QMessageBox::Critical);
    EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
    EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::Ok));
}

TEST(MessageBox, HookReadsAndAnswersAndIsRemovedAfterwards) {
    MessageRequest seen;
    {
        ScopedMessageHook hook([&seen](const MessageRequest& r) {
            seen = r;
            return MessageAnswer::kNo;
        });
        EXPECT_FALSE(AskYesNo(nullptr, QStringLiteral("質問")));
        EXPECT_EQ(seen.text, QStringLiteral("質問"));
        EXPECT_EQ(seen.icon, MessageIcon::kQuestion);
        EXPECT_EQ(seen.defaultButton, MessageAnswer::kYes);
        ShowError(nullptr, QStringLiteral("エラー"));
        EXPECT_EQ(seen.icon, MessageIcon::kError);
        EXPECT_EQ(seen.buttons, MessageButtons::kOk);
    }
    // Without the hook the real box runs; press Yes from inside its loop.
    QTimer::singleShot(0, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            box->button(QMessageBox::Yes)->click();
        }
    });
    EXPECT_TRUE(AskYesNo(nullptr, QStringLiteral("本物")));
}

TEST(MessageBox, ClosingAYesNoBoxAnswersNo) {
    QTimer::singleShot(0, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            box->reject();
        }
    });
    EXPECT_EQ(ShowMessage(nullptr, {QStringLiteral("x"), MessageIcon::kQuestion,
                                    MessageButtons::kYesNo, MessageAnswer::kYes}),
              MessageAnswer::kNo);
}

TEST(WaitCursor, ShownForTheGuardsLifetimeAndNested) {
    ASSERT_EQ(QApplication::overrideCursor(), nullptr);
    {
        CWaitCursor outer;
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        {
            CWaitCursor inner;
            EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        }
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
}  // namespace varlen
