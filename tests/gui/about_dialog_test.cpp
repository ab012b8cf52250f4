// The About dialog and the link label.
#include "gui/about_dialog.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace varlen {
namespace {

TEST(AboutDialog, VersionTextLinksAndOk) {
    CAboutDlg dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("バージョン情報"));
    QStringList texts;
    for (QLabel* label : dialog.findChildren<QLabel*>()) {
        texts << label->text();
    }
    EXPECT_TRUE(texts.contains(QStringLiteral("Varlen Version 1.6.1")));
    EXPECT_TRUE(texts.contains(QStringLiteral("Copyright (C) Orvik　ライセンス: GPL-3.0-or-later")));
    ASSERT_NE(dialog.m_pLink1, nullptr);
    ASSERT_NE(dialog.m_pLink2, nullptr);
    EXPECT_FALSE(dialog.m_pLink1->Link().isEmpty());
    EXPECT_FALSE(dialog.m_pLink2->Link().isEmpty());

    QPushButton* ok = nullptr;
    for (QPushButton* b : dialog.findChildren<QPushButton*>()) {
        if (b->text() == QStringLiteral("OK")) {
            ok = b;
        }
    }
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(ok->isDefault());
    dialog.show();
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
}

TEST(StaticLink, ClickOpensItsOwnText) {
    CStaticLink link(QStringLiteral("https://orvik.example/"));
    QStringList opened;
    link.SetOpener([&opened](const QString& target) { opened << target; });
    link.show();
    EXPECT_EQ(link.cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseClick(&link, Qt::LeftButton);
    EXPECT_EQ(opened, QStringList{QStringLiteral("https://orvik.example/")});
    QTest::mouseClick(&link, Qt::RightButton);
    EXPECT_EQ(opened.size(), 1);
}

TEST(StaticLink, EmptyTextShowsTheArrowAndOpensNothing) {
    CStaticLink link(QString{});
    int opened = 0;
    link.SetOpener([&opened](const QString&) { ++opened; });
    link.resize(40, 10);
    link.show();
    EXPECT_EQ(link.cursor().shape(), Qt::ArrowCursor);
    QTest::mouseClick(&link, Qt::LeftButton);
    EXPECT_EQ(opened, 0);
    link.SetLink(QStringLiteral("x"));
    EXPECT_EQ(link.cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(link.Link(), QStringLiteral("x"));
}

TEST(StaticLink, LinkColouredOnTheWindowColour) {
    CStaticLink link(QStringLiteral("a"));
    EXPECT_EQ(link.palette().color(QPalette::WindowText), link.palette().color(QPalette::Link));
    EXPECT_EQ(link.palette().color(QPalette::Window), link.palette().color(QPalette::Base));
    EXPECT_TRUE(link.autoFillBackground());
}

}  // namespace
}  // namespace varlen
