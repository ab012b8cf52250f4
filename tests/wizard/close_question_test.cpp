// Closing the wizard: Esc and the close box ask first once a picture is loaded (No, the
// default, keeps everything), ask nothing before that or after a reset, and Esc pressed in a
// dialog of the wizard closes only that dialog.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <vector>

#include "gui/about_dialog.h"
#include "gui/message_box.h"
#include "gui/settings.h"
#include "io/export.h"
#include "pages/page1.h"
#include "wizard/sheet.h"

namespace varlen {
namespace {

class CloseQuestion : public ::testing::Test {
  protected:
    void SetUp() override {
        DeleteSettingsStore();
        QApplication::clipboard()->clear();
        ASSERT_TRUE(m_dir.isValid());
    }
    void TearDown() override { DeleteSettingsStore(); }

    void Show() {
        m_sheet.show();
        QApplication::setActiveWindow(&m_sheet);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&m_sheet));
    }
    void LoadPicture() {
        auto icon = CreateIcon(20, 10, 32);
        std::fill(icon->Pixels().begin(), icon->Pixels().end(), MakePixel(255, 10, 20, 30));
        const QString path = m_dir.filePath(QStringLiteral("p.png"));
        ASSERT_TRUE(SavePng(*icon, QFile::encodeName(path).toStdString()));
        ASSERT_TRUE(m_sheet.m_pPage1->LoadFile(path));
    }
    // Esc as the user presses it: to the widget that has the focus.
    void PressEscape() {
        QWidget* target = QApplication::focusWidget();
        QTest::keyClick(target != nullptr ? target : &m_sheet, Qt::Key_Escape);
    }
    // Answers every message with answer and records it.
    ScopedMessageHook Answer(MessageAnswer answer) {
        return ScopedMessageHook([this, answer](const MessageRequest& r) {
            m_asked.push_back(r);
            return answer;
        });
    }

    QTemporaryDir m_dir;
    CVarlen m_sheet;
    std::vector<MessageRequest> m_asked;
};

TEST_F(CloseQuestion, NothingLoadedClosesAtOnce) {
    auto hook = Answer(MessageAnswer::kNo);
    Show();
    PressEscape();
    EXPECT_TRUE(m_asked.empty());
    EXPECT_FALSE(m_sheet.isVisible());
}

TEST_F(CloseQuestion, EscapeAsksAndNoKeepsEverything) {
    auto hook = Answer(MessageAnswer::kNo);
    Show();
    LoadPicture();
    m_sheet.next();
    ASSERT_EQ(m_sheet.currentId(), 1);
    const CIcon* placed = m_sheet.m_pIcon.get();
    PressEscape();
    ASSERT_EQ(m_asked.size(), 1u);
    EXPECT_EQ(m_asked[0].text,
              QStringLiteral("作成中のアイコンの設定は失われます。\nVarlen を終了しますか？"));
    EXPECT_EQ(m_asked[0].icon, MessageIcon::kQuestion);
    EXPECT_EQ(m_asked[0].buttons, MessageButtons::kYesNo);
    EXPECT_EQ(m_asked[0].defaultButton, MessageAnswer::kNo);
    EXPECT_TRUE(m_sheet.isVisible());
    EXPECT_EQ(m_sheet.currentId(), 1);
    EXPECT_EQ(m_sheet.m_pIcon.get(), placed);
    EXPECT_EQ(m_sheet.result(), 0);
}

TEST_F(CloseQuestion, CloseBoxAsksAndYesCloses) {
    Show();
    LoadPicture();
    {
        auto hook = Answer(MessageAnswer::kNo);
        EXPECT_FALSE(m_sheet.close());
        EXPECT_TRUE(m_sheet.isVisible());
    }
    auto hook = Answer(MessageAnswer::kYes);
    EXPECT_TRUE(m_sheet.close());
    EXPECT_FALSE(m_sheet.isVisible());
    EXPECT_EQ(m_asked.size(), 2u);
}

TEST_F(CloseQuestion, ResetOnPageOneMeansNothingIsLoaded) {
    auto hook = Answer(MessageAnswer::kNo);
    Show();
    LoadPicture();
    QTest::mouseClick(m_sheet.ResetButton(), Qt::LeftButton);
    PressEscape();
    EXPECT_TRUE(m_asked.empty());
    EXPECT_FALSE(m_sheet.isVisible());
}

TEST_F(CloseQuestion, EscapeInADialogClosesOnlyTheDialog) {
    auto hook = Answer(MessageAnswer::kYes);
    Show();
    LoadPicture();
    bool dialogSeen = false;
    QTimer::singleShot(0, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        dialogSeen = qobject_cast<CAboutDlg*>(modal) != nullptr;
        if (modal != nullptr) {
            QWidget* target = modal->focusWidget() != nullptr ? modal->focusWidget() : modal;
            QTest::keyClick(target, Qt::Key_Escape);
        }
    });
    m_sheet.AboutAction()->trigger();
    EXPECT_TRUE(dialogSeen);
    EXPECT_TRUE(m_asked.empty());
    EXPECT_TRUE(m_sheet.isVisible());
}

}  // namespace
}  // namespace varlen
