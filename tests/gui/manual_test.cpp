// The manual: found in the build tree or at its installed place, opened with the desktop's
// handler for files, and a message naming the places looked at when it is missing.
#include "gui/manual.h"

#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QFile>
#include <QObject>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include "gui/message_box.h"
#include "wizard/sheet.h"

namespace varlen {
namespace {

// Stands in for the desktop's browser: records the URLs it is asked to open.
class UrlCatcher : public QObject {
    Q_OBJECT

  public:
    UrlCatcher() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "Open"); }
    ~UrlCatcher() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    QList<QUrl> urls;

  public slots:
    void Open(const QUrl& url) { urls << url; }
};

TEST(Manual, OpensTheFirstPlaceThatHoldsIt) {
    QTemporaryDir dir;
    const QString manual = dir.filePath(QStringLiteral("varlen.html"));
    QFile file(manual);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    UrlCatcher browser;
    int messages = 0;
    ScopedMessageHook hook([&messages](const MessageRequest&) {
        ++messages;
        return MessageAnswer::kOk;
    });
    EXPECT_TRUE(OpenManual(nullptr, {dir.filePath(QStringLiteral("absent.html")), manual}));
    ASSERT_EQ(browser.urls.size(), 1);
    EXPECT_EQ(browser.urls[0], QUrl::fromLocalFile(manual));
    EXPECT_EQ(messages, 0);
}

TEST(Manual, MissingManualNamesEveryPlaceLookedAt) {
    UrlCatcher browser;
    QString text;
    ScopedMessageHook hook([&text](const MessageRequest& r) {
        text = r.text;
        return MessageAnswer::kOk;
    });
    EXPECT_FALSE(OpenManual(nullptr, {QStringLiteral("/nowhere/a/varlen.html"),
                                      QStringLiteral("/nowhere/b/varlen.html")}));
    EXPECT_TRUE(browser.urls.isEmpty());
    EXPECT_TRUE(text.contains(QStringLiteral("/nowhere/a/varlen.html"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("/nowhere/b/varlen.html"))) << text.toStdString();
}

TEST(Manual, TheInstalledPlaceIsBesideTheOtherDocuments) {
    const QStringList places = ManualCandidates(QStringLiteral("/opt/v/libexec/varlen"));
    ASSERT_EQ(places.size(), 2);
    EXPECT_EQ(places[0], QStringLiteral("/opt/v/libexec/doc/varlen.html"));
    EXPECT_EQ(places[1], QStringLiteral("/opt/v/share/doc/varlen/varlen.html"));
}

// F1 in the wizard opens the manual the build rendered from the man page.
TEST(Manual, F1InTheWizardOpensTheBuiltManual) {
    UrlCatcher browser;
    CVarlen sheet;
    sheet.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&sheet));
    QTest::keyClick(&sheet, Qt::Key_F1);
    ASSERT_EQ(browser.urls.size(), 1);
    const QString path = browser.urls[0].toLocalFile();
    EXPECT_TRUE(path.endsWith(QStringLiteral("/doc/varlen.html"))) << path.toStdString();
    QFile html(path);
    ASSERT_TRUE(html.open(QIODevice::ReadOnly));
    EXPECT_TRUE(html.readAll().contains("--create"));
}

}  // namespace
}  // namespace varlen

#include "manual_test.moc"
