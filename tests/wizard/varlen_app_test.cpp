// Start-up: the command line, the "del" switch and its question, Qt's Japanese texts; the
// application object that survives an allocation failure in an event handler.
#include "wizard/varlen_app.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <QTest>
#include <QWidget>
#include <new>
#include <utility>
#include <vector>

#include "gui/message_box.h"
#include "gui/settings.h"

namespace varlen {
namespace {

TEST(CommandLine, DelSwitchWithEitherPrefixInAnyCase) {
    for (const char* arg : {"/del", "-del", "-DEL", "/Del", "-dEl"}) {
        const CVarlenCommandLineInfo info = ParseCommandLine({QString::fromLatin1(arg)});
        EXPECT_TRUE(info.m_bDelete) << arg;
        EXPECT_TRUE(info.m_strFileName.isEmpty()) << arg;
    }
}

TEST(CommandLine, BareDelIsAPicturePath) {
    const CVarlenCommandLineInfo info = ParseCommandLine({QStringLiteral("del")});
    EXPECT_FALSE(info.m_bDelete);
    EXPECT_EQ(info.m_strFileName, QStringLiteral("del"));
}

TEST(CommandLine, OtherSwitchesHaveNoEffect) {
    for (const char* arg : {"--del", "-delete", "-d", "-", "-pt"}) {
        const CVarlenCommandLineInfo info = ParseCommandLine({QString::fromLatin1(arg)});
        EXPECT_FALSE(info.m_bDelete) << arg;
        EXPECT_TRUE(info.m_strFileName.isEmpty()) << arg;
    }
}

TEST(CommandLine, FirstNonSwitchIsThePicture) {
    const CVarlenCommandLineInfo info = ParseCommandLine(
        {QStringLiteral("-x"), QStringLiteral("写真.png"), QStringLiteral("second.png")});
    EXPECT_FALSE(info.m_bDelete);
    EXPECT_EQ(info.m_strFileName, QStringLiteral("写真.png"));
    EXPECT_TRUE(ParseCommandLine({}).m_strFileName.isEmpty());
}

TEST(CommandLine, DelAndAPathTogether) {
    const CVarlenCommandLineInfo info =
        ParseCommandLine({QStringLiteral("a.png"), QStringLiteral("-Del")});
    EXPECT_TRUE(info.m_bDelete);
    EXPECT_EQ(info.m_strFileName, QStringLiteral("a.png"));
}

#ifndef Q_OS_WIN
TEST(CommandLine, AbsolutePathsAreNotSwitches) {
    const CVarlenCommandLineInfo info = ParseCommandLine({QStringLiteral("/home/me/del")});
    EXPECT_FALSE(info.m_bDelete);
    EXPECT_EQ(info.m_strFileName, QStringLiteral("/home/me/del"));
    EXPECT_EQ(ParseCommandLine({QStringLiteral("/pic.png")}).m_strFileName,
              QStringLiteral("/pic.png"));
}
#endif

class DeleteSwitch : public ::testing::Test {
  protected:
    void SetUp() override {
        DeleteSettingsStore();
        VarlenSettings s;
        s.m_nBrightness = 33;
        s.m_aFormat = {{1, 4, 16, 16, 0}};
        SaveSettings(s);
    }
    void TearDown() override { DeleteSettingsStore(); }
    static bool StoreHasKeys() {
        QSettings store(QStringLiteral("Orvik"), QStringLiteral("Varlen"));
        return !store.allKeys().isEmpty();
    }
};

TEST_F(DeleteSwitch, AsksAndRemovesTheStoreOnYes) {
    std::vector<MessageRequest> asked;
    ScopedMessageHook hook([&asked](const MessageRequest& r) {
        asked.push_back(r);
        return MessageAnswer::kYes;
    });
    CVarlenApp app;
    EXPECT_EQ(app.Run({QStringLiteral("/DEL")}), 0);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].text, QStringLiteral("設定情報を削除しますか？"));
    EXPECT_EQ(asked[0].icon, MessageIcon::kQuestion);
    EXPECT_EQ(asked[0].buttons, MessageButtons::kYesNo);
    EXPECT_FALSE(StoreHasKeys());
    // The next start sees every default, the 15 formats included.
    VarlenSettings next;
    LoadSettings(next);
    EXPECT_EQ(next.m_nBrightness, 0);
    EXPECT_EQ(next.m_aFormat.size(), 15u);
}

TEST_F(DeleteSwitch, NoLeavesTheStoreUntouched) {
    int questions = 0;
    ScopedMessageHook hook([&questions](const MessageRequest&) {
        ++questions;
        return MessageAnswer::kNo;
    });
    CVarlenApp app;
    EXPECT_EQ(app.Run({QStringLiteral("-del")}), 0);
    EXPECT_EQ(questions, 1);
    EXPECT_TRUE(StoreHasKeys());
    VarlenSettings kept;
    LoadSettings(kept);
    EXPECT_EQ(kept.m_nBrightness, 33);
    EXPECT_EQ(kept.m_aFormat.size(), 1u);
    // No window is left behind either way.
    for (QWidget* w : QApplication::topLevelWidgets()) {
        EXPECT_FALSE(w->isVisible()) << w->metaObject()->className();
    }
}

TEST(QtTranslation, JapaneseStandardTextsAreLoaded) {
    QTranslator translator;
    ASSERT_TRUE(InstallQtTranslation(*QCoreApplication::instance(), translator));
    // A standard button text of Qt, now in Japanese.
    const QString cancel = QCoreApplication::translate("QPlatformTheme", "Cancel");
    EXPECT_NE(cancel, QStringLiteral("Cancel"));
    QCoreApplication::removeTranslator(&translator);
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
}

// A widget whose click handler changes its count and then, while armed, runs out of memory
// before it has changed anything else.
class GreedyButton : public QWidget {
  public:
    int clicks = 0;
    bool failNext = false;

  protected:
    void mousePressEvent(QMouseEvent*) override {
        if (std::exchange(failNext, false)) {
            throw std::bad_alloc();
        }
        ++clicks;
    }
};

TEST(OutOfMemory, AFailingHandlerIsReportedAndTheProgramGoesOn) {
#if defined(__SANITIZE_ADDRESS__)
    // Qt's event delivery is not exception-safe: what it allocated for the press is lost
    // when the exception passes, which LeakSanitizer reports at exit.
    GTEST_SKIP() << "not under LeakSanitizer";
#endif
    auto* app = qobject_cast<CVarlenApplication*>(QCoreApplication::instance());
    ASSERT_NE(app, nullptr) << "the tests run under the wizard program's application object";
    std::vector<MessageRequest> shown;
    ScopedMessageHook hook([&](const MessageRequest& r) {
        shown.push_back(r);
        return MessageAnswer::kOk;
    });
    GreedyButton button;
    button.resize(40, 20);
    button.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&button));
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(button.clicks, 1);
    EXPECT_TRUE(shown.empty());

    button.failNext = true;
    QTest::mouseClick(&button, Qt::LeftButton);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, CVarlenApplication::OutOfMemoryText());
    EXPECT_EQ(shown[0].icon, MessageIcon::kError);
    EXPECT_EQ(button.clicks, 1);  // the failed action changed nothing

    // The next event is handled as usual.
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(button.clicks, 2);
    EXPECT_EQ(shown.size(), 1u);
}

}  // namespace
}  // namespace varlen
