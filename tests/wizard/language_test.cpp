// The interface language: which one the user's locale chooses, and a walk through every
// page, dialog and window in English and in Japanese that fails on a Japanese text left in
// the English interface and on a text wider than the control that shows it.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTranslator>
#include <QTreeWidget>
#include <functional>

#include "core/icon.h"
#include "gui/about_dialog.h"
#include "gui/message_box.h"
#include "gui/settings.h"
#include "pages/export_dialog.h"
#include "pages/icon_preview_wnd.h"
#include "pages/icon_size_dialog.h"
#include "pages/page3.h"
#include "pages/page4.h"
#include "wizard/sheet.h"
#include "wizard/varlen_app.h"

namespace varlen {
namespace {

bool HasJapanese(const QString& text) {
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= 0x3000 && u <= 0x9FFF) || (u >= 0xFF00 && u <= 0xFFEF)) {
            return true;
        }
    }
    return false;
}

// The width a button needs for its text: for a push button, the text inside the frame the
// style draws it in (its contents rectangle; the style's minimum width of a push button is
// no text of ours); for a check box, its whole size hint.
int NeededWidth(const QAbstractButton& button) {
    auto* push = qobject_cast<const QPushButton*>(&button);
    if (push == nullptr) {
        return button.sizeHint().width();
    }
    const QString text = QString(button.text()).remove(QLatin1Char('&'));
    int width = button.fontMetrics().horizontalAdvance(text) +
                2 * button.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, &button);
    if (push->menu() != nullptr) {
        width += button.style()->pixelMetric(QStyle::PM_MenuButtonIndicator, nullptr, &button);
    }
    return width;
}

// Every text a visible widget under root shows, with where it was found, and every text
// wider than its control.
struct Walk {
    QStringList texts;
    QStringList cutOff;
    QStringList sharedMnemonics;  // "page n: X in 'a' and 'b'"

    void Add(const QString& where, const QString& text) {
        if (!text.isEmpty()) {
            texts << where + QStringLiteral(": ") + text;
        }
    }
    void Fits(const QString& where, const QWidget& w, int needed) {
        if (needed > w.width()) {
            cutOff
                << QStringLiteral("%1 needs %2 px, has %3").arg(where).arg(needed).arg(w.width());
        }
    }
    void Visit(QWidget& root) {
        QList<QWidget*> all = root.findChildren<QWidget*>();
        all.prepend(&root);
        Add(QStringLiteral("window title"), root.windowTitle());
        for (QWidget* w : all) {
            if (!w->isVisible()) {
                continue;
            }
            const QString name = QString::fromLatin1(w->metaObject()->className());
            Add(name + QStringLiteral(" tooltip"), w->toolTip());
            if (auto* label = qobject_cast<QLabel*>(w)) {
                Add(name, label->text());
                if (!label->wordWrap() && label->pixmap().isNull()) {
                    Fits(name + QStringLiteral(" '") + label->text() + QLatin1Char('\''), *label,
                         label->sizeHint().width());
                }
            } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
                Add(name, button->text());
                if (!button->text().isEmpty()) {
                    Fits(name + QStringLiteral(" '") + button->text() + QLatin1Char('\''), *button,
                         NeededWidth(*button));
                }
            } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
                Add(name, group->title());
                Fits(name + QStringLiteral(" '") + group->title() + QLatin1Char('\''), *group,
                     group->minimumSizeHint().width());
            } else if (auto* tabs = qobject_cast<QTabBar*>(w)) {
                for (int i = 0; i < tabs->count(); ++i) {
                    Add(QStringLiteral("tab"), tabs->tabText(i));
                    const QRect r = tabs->tabRect(i);
                    if (r.right() >= tabs->width()) {
                        cutOff << QStringLiteral("tab '%1' ends outside its bar")
                                      .arg(tabs->tabText(i));
                    }
                }
            } else if (auto* tree = qobject_cast<QTreeWidget*>(w)) {
                for (QTreeWidgetItemIterator it(tree); *it; ++it) {
                    Add(QStringLiteral("tree item"), (*it)->text(0));
                }
            }
        }
        for (QAction* action : root.findChildren<QAction*>()) {
            Add(QStringLiteral("action"), action->text());
        }
    }
};

// The mnemonic letter of a text ("&Next >" -> 'N'), or 0.
QChar Mnemonic(const QString& text) {
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == QLatin1Char('&')) {
            if (text[i + 1] != QLatin1Char('&')) {
                return text[i + 1].toUpper();
            }
            ++i;
        }
    }
    return QChar();
}

// Every visible control of the sheet's current page and button row with the same mnemonic
// as another one.
void CheckMnemonics(QWidget& sheet, int page, Walk& walk) {
    QHash<QChar, QString> seen;
    for (QWidget* w : sheet.findChildren<QWidget*>()) {
        if (!w->isVisible()) {
            continue;
        }
        QString text;
        if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            text = button->text();
        } else if (auto* label = qobject_cast<QLabel*>(w); label != nullptr && label->buddy()) {
            text = label->text();
        }
        const QChar key = Mnemonic(text);
        if (key.isNull()) {
            continue;
        }
        if (seen.contains(key)) {
            walk.sharedMnemonics << QStringLiteral("page %1: %2 in '%3' and '%4'")
                                        .arg(page)
                                        .arg(key)
                                        .arg(seen[key], text);
        }
        seen.insert(key, text);
    }
}

// Shows every page of the wizard (each filter tab in turn), the About, add-size and export
// dialogs and the preview window, and the messages page 4 can show.
Walk WalkEverything() {
    Walk walk;
    QStringList messages;
    ScopedMessageHook hook([&messages](const MessageRequest& r) {
        messages << r.text << r.title;
        return r.buttons == MessageButtons::kYesNo ? MessageAnswer::kNo : MessageAnswer::kOk;
    });
    CVarlen sheet;
    sheet.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&sheet));
    for (int page = 1; page <= 5; ++page) {
        QApplication::processEvents();
        walk.Add(QStringLiteral("page title"), sheet.currentPage()->title());
        walk.Add(QStringLiteral("page subtitle"), sheet.currentPage()->subTitle());
        if (page == 3) {
            auto* tabs = sheet.m_pPage3->findChild<QTabWidget*>();
            EXPECT_NE(tabs, nullptr);
            for (int i = 0; tabs != nullptr && i < tabs->count(); ++i) {
                tabs->setCurrentIndex(i);
                QApplication::processEvents();
                walk.Visit(sheet);
                CheckMnemonics(sheet, page, walk);
            }
        } else {
            walk.Visit(sheet);
            CheckMnemonics(sheet, page, walk);
        }
        if (page == 4) {
            // Untick every format, then Next: the page refuses with its message.
            auto* tree = sheet.m_pPage4->findChild<QTreeWidget*>();
            for (QTreeWidgetItemIterator it(tree); *it; ++it) {
                if ((*it)->flags() & Qt::ItemIsUserCheckable) {
                    (*it)->setCheckState(0, Qt::Unchecked);
                }
            }
            sheet.next();
            EXPECT_EQ(sheet.currentPage(), sheet.m_pPage4);
            for (QTreeWidgetItemIterator it(tree); *it; ++it) {
                if ((*it)->flags() & Qt::ItemIsUserCheckable) {
                    (*it)->setCheckState(0, Qt::Checked);
                }
            }
        }
        if (page < 5) {
            sheet.next();
        }
    }
    {
        CAboutDlg about(&sheet);
        about.show();
        walk.Visit(about);
    }
    {
        CIconSizeDialog size(&sheet);
        size.show();
        walk.Visit(size);
    }
    {
        CExportFileDialog exportDialog(32, 32, 32, &sheet);
        exportDialog.show();
        walk.Visit(exportDialog);
        walk.Add(QStringLiteral("export filters"), exportDialog.nameFilters().join(u';'));
    }
    {
        CIconPreviewWnd preview(CreateIcon(32, 32, 32), &sheet);
        preview.show();
        walk.Visit(preview);
    }
    for (const QString& m : messages) {
        walk.Add(QStringLiteral("message"), m);
    }
    return walk;
}

class Language : public ::testing::Test {
  protected:
    void SetUp() override { DeleteSettingsStore(); }
    void TearDown() override {
        if (m_installed) {
            QCoreApplication::removeTranslator(&m_program);
        }
        DeleteSettingsStore();
    }
    void InstallEnglish() {
        ASSERT_TRUE(InstallTranslations(*QCoreApplication::instance(), {QStringLiteral("en-US")},
                                        m_qt, m_program));
        m_installed = true;
    }
    QTranslator m_qt;
    QTranslator m_program;
    bool m_installed = false;
};

TEST(LanguageChoice, JapaneseOnlyWhenTheFirstUiLanguageIsJapanese) {
    EXPECT_TRUE(PrefersJapanese({QStringLiteral("ja-JP")}));
    EXPECT_TRUE(PrefersJapanese({QStringLiteral("ja"), QStringLiteral("en-US")}));
    EXPECT_FALSE(PrefersJapanese({QStringLiteral("en-US"), QStringLiteral("ja-JP")}));
    EXPECT_FALSE(PrefersJapanese({QStringLiteral("C")}));
    EXPECT_FALSE(PrefersJapanese({QStringLiteral("jv-ID")}));
    EXPECT_FALSE(PrefersJapanese({}));
}

TEST_F(Language, EnglishWalkShowsNoJapaneseAndNothingIsCutOff) {
    InstallEnglish();
    const Walk walk = WalkEverything();
    QStringList japanese;
    for (const QString& t : walk.texts) {
        if (HasJapanese(t)) {
            japanese << t;
        }
    }
    EXPECT_TRUE(japanese.isEmpty()) << japanese.join(u'\n').toStdString();
    EXPECT_TRUE(walk.cutOff.isEmpty()) << walk.cutOff.join(u'\n').toStdString();
    EXPECT_TRUE(walk.sharedMnemonics.isEmpty()) << walk.sharedMnemonics.join(u'\n').toStdString();
    EXPECT_TRUE(walk.texts.contains(QStringLiteral("QPushButton: &Next >")) ||
                walk.texts.filter(QStringLiteral("&Next >")).size() > 0);
    EXPECT_GT(walk.texts.filter(QStringLiteral("message: Tick at least one format.")).size(), 0);
}

TEST_F(Language, JapaneseWalkFitsEveryControl) {
    const Walk walk = WalkEverything();
    EXPECT_TRUE(walk.cutOff.isEmpty()) << walk.cutOff.join(u'\n').toStdString();
    EXPECT_GT(walk.texts.filter(QStringLiteral("次へ(&N) >")).size(), 0);
}

// Run by ctest with LANG (and LANGUAGE, LC_ALL, LC_MESSAGES cleared) set for the process:
// the program's own choice from the locale shows VARLEN_EXPECT_LANGUAGE (ja or en).
TEST_F(Language, TheLocaleChoosesTheLanguage) {
    const QByteArray expected = qgetenv("VARLEN_EXPECT_LANGUAGE");
    if (expected.isEmpty()) {
        GTEST_SKIP() << "run by ctest with a locale set";
    }
    ASSERT_TRUE(InstallTranslations(*QCoreApplication::instance(), QLocale::system().uiLanguages(),
                                    m_qt, m_program));
    m_installed = true;
    const Walk walk = WalkEverything();
    int japanese = 0;
    for (const QString& t : walk.texts) {
        japanese += HasJapanese(t) ? 1 : 0;
    }
    if (expected == "ja") {
        EXPECT_GT(japanese, 50);
        EXPECT_GT(walk.texts.filter(QStringLiteral("< 戻る(&B)")).size(), 0);
    } else {
        EXPECT_EQ(japanese, 0) << walk.texts.join(u'\n').toStdString();
    }
    QCoreApplication::removeTranslator(&m_qt);
}

}  // namespace
}  // namespace varlen
