// Stored values taken as stored, checked where used: the raw format list parser, the
// records left out of the list the pages use, the filter and transparency values brought
// into their ranges, and saving the store when its file cannot be written.
#include "gui/stored_values.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <climits>
#include <csignal>
#include <functional>

#include "gui/settings.h"
#include "io/writer_support.h"  // tests/io: shared test helpers

namespace varlen {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Record(std::uint32_t enabled, std::uint16_t bpp, std::uint16_t w, std::uint16_t h,
             std::uint16_t filler = 0) {
    Bytes b;
    for (const std::uint32_t v : {enabled & 0xFFFF, enabled >> 16, std::uint32_t{bpp},
                                  std::uint32_t{w}, std::uint32_t{h}, std::uint32_t{filler}}) {
        b.push_back(static_cast<std::uint8_t>(v & 0xFF));
        b.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    return b;
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) {
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

TEST(StoredFormatList, RecordsOnlyWhenTheLengthIsExactlyTwelveTimesTheCount) {
    const Bytes two = Join({Record(1, 8, 48, 40, 0x55AA), Record(0x00020001, 24, 20, 20)});
    const auto list = ParseFormatList(two, 2);
    ASSERT_TRUE(list.has_value());
    ASSERT_EQ(list->size(), 2u);
    EXPECT_EQ((*list)[0], (FORMAT{1, 8, 48, 40, 0x55AA}));
    EXPECT_EQ((*list)[1], (FORMAT{0x00020001, 24, 20, 20, 0}));
    EXPECT_FALSE(ParseFormatList(two, 1).has_value());
    EXPECT_FALSE(ParseFormatList(two, 3).has_value());
    EXPECT_FALSE(ParseFormatList(two, -1).has_value());
    EXPECT_FALSE(ParseFormatList(two, -2).has_value());
    EXPECT_FALSE(ParseFormatList(Bytes(two.begin(), two.end() - 1), 2).has_value());
    const auto none = ParseFormatList({}, 0);
    ASSERT_TRUE(none.has_value());
    EXPECT_TRUE(none->empty());
}

TEST(StoredFormatList, CountsThatOverflowAProductAreRefused) {
    // 12 x 2^62 wraps to 0 in 64 bits and 12 x 357913942 to 8 in 32 bits.
    EXPECT_FALSE(ParseFormatList({}, 1LL << 62).has_value());
    EXPECT_FALSE(ParseFormatList(Bytes(8, 1), 357913942).has_value());
    EXPECT_FALSE(ParseFormatList({}, LLONG_MAX).has_value());
    EXPECT_FALSE(ParseFormatList({}, LLONG_MIN).has_value());
}

TEST(StoredFormatList, UnusableRecordsAreLeftOutOfTheListInUse) {
    const std::vector<FORMAT> stored = {
        {1, 32, 512, 512, 0},   // largest usable
        {1, 32, 513, 16, 0},    // too wide
        {1, 8, 16, 0, 0},       // no height
        {1, 4, 1, 1, 0},        // smallest usable
        {1, 16, 32, 32, 0},     // no such depth in an icon built here
        {1, 1, 32, 32, 0},      // nor this
        {0, 24, 48, 65535, 7},  // far too tall
        {0, 24, 48, 48, 7},     // usable even when not selected
    };
    for (std::size_t i = 0; i < stored.size(); ++i) {
        const bool usable = i == 0 || i == 3 || i == 7;
        EXPECT_EQ(IsUsableFormat(stored[i]), usable) << i;
    }
    EXPECT_EQ(UsableFormats(stored),
              (std::vector<FORMAT>{{1, 32, 512, 512, 0}, {1, 4, 1, 1, 0}, {0, 24, 48, 48, 7}}));
    const std::vector<FORMAT> defaults(kDefaultFormats.begin(), kDefaultFormats.end());
    EXPECT_EQ(UsableFormats(defaults), defaults);
}

TEST(StoredEffectValues, EachValueIsClampedToItsSliderRange) {
    EffectSettings high{1000, 101, 9, 101, {300, -300}, true, 101, 101, {-7, 900}, 201, 101};
    EXPECT_EQ(ClampEffects(high),
              (EffectSettings{100, 100, 8, 100, {300, -300}, true, 100, 100, {-7, 900}, 200, 100}));
    EffectSettings low{-101, INT_MIN, -1, -1, {0, 0}, false, -1000, -1, {0, 0}, -1, INT_MIN};
    EXPECT_EQ(ClampEffects(low),
              (EffectSettings{-100, -100, 0, 0, {0, 0}, false, -100, 0, {0, 0}, 0, 0}));
    const EffectSettings inRange{-100, 100, 8, 100, {1, 2}, true, 100, 100, {3, 4}, 200, 100};
    EXPECT_EQ(ClampEffects(inRange), inRange);
}

TEST(StoredEffectValues, SettingsKeepTheStoredValuesAndHandOverClampedOnes) {
    VarlenSettings s;
    s.m_nBrightness = 5000;
    s.m_nSharp = 100;
    s.m_nRound = -4;
    s.m_nFade = 250;
    s.m_nTransparentRange = 300;
    s.m_nTransparentSurrounding = -9;
    const EffectSettings e = ToEffectSettings(s);
    EXPECT_EQ(e.brightness, 100);
    EXPECT_EQ(e.sharp, 8);
    EXPECT_EQ(e.round, 0);
    EXPECT_EQ(e.fade, 100);
    EXPECT_EQ(s.m_nBrightness, 5000);  // the members are not repaired
    EXPECT_EQ(TransparentRangeForUse(s), 255);
    EXPECT_EQ(TransparentSurroundingForUse(s), 0);
    s.m_nTransparentRange = 17;
    s.m_nTransparentSurrounding = 255;
    EXPECT_EQ(TransparentRangeForUse(s), 17);
    EXPECT_EQ(TransparentSurroundingForUse(s), 255);
    EXPECT_EQ(ClampTransparencyValue(INT_MIN), 0);
    EXPECT_EQ(ClampTransparencyValue(INT_MAX), 255);
}

// An INI store in a folder of its own.
class StoreFile : public ::testing::Test {
  protected:
    QString Path() const { return m_dir.filePath(QStringLiteral("varlen.ini")); }
    QByteArray FileBytes() const {
        QFile f(Path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QTemporaryDir m_dir;
};

TEST_F(StoreFile, UnusableStoredRecordsAreWrittenBackUnchanged) {
    const Bytes raw = Join({Record(1, 32, 600, 600), Record(1, 8, 32, 32), Record(1, 2, 0, 9, 3)});
    {
        QSettings store(Path(), QSettings::IniFormat);
        store.setValue(QStringLiteral("Settings/FormatCount"), 3);
        store.setValue(QStringLiteral("Settings/Format"),
                       QByteArray(reinterpret_cast<const char*>(raw.data()),
                                  static_cast<qsizetype>(raw.size())));
    }
    VarlenSettings s;
    {
        QSettings store(Path(), QSettings::IniFormat);
        LoadSettings(s, store);
    }
    ASSERT_EQ(s.m_aFormat.size(), 3u);
    EXPECT_EQ(FormatsForUse(s), (std::vector<FORMAT>{{1, 8, 32, 32, 0}}));
    QSettings store(Path(), QSettings::IniFormat);
    EXPECT_TRUE(SaveSettings(s, store));
    const QByteArray written = store.value(QStringLiteral("Settings/Format")).toByteArray();
    EXPECT_EQ(Bytes(written.begin(), written.end()), raw);
}

// Runs fn in a child process whose files may not grow beyond limit bytes (a full disk);
// the child's exit status is fn's result: 1 true, 0 false, -1 abnormal end.
int RunWithFileSizeLimit(rlim_t limit, const std::function<bool()>& fn) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit lim{limit, limit};
        ::setrlimit(RLIMIT_FSIZE, &lim);
        ::_exit(fn() ? 1 : 0);
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

TEST_F(StoreFile, FullDiskReportsFailureAndKeepsThePreviousFile) {
    VarlenSettings s;
    {
        QSettings store(Path(), QSettings::IniFormat);
        ASSERT_TRUE(SaveSettings(s, store));
    }
    const QByteArray before = FileBytes();
    ASSERT_GT(before.size(), 200);
    s.m_strOpenPath = QString(4000, QLatin1Char('x'));  // the new file is much larger
    s.m_nRound = 150;
    const int r = RunWithFileSizeLimit(static_cast<rlim_t>(before.size()) + 100, [&] {
        QSettings store(Path(), QSettings::IniFormat);
        return SaveSettings(s, store);
    });
    EXPECT_EQ(r, 0);
    EXPECT_EQ(FileBytes(), before);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("varlen.ini")});
    // With room enough the same save succeeds.
    EXPECT_EQ(RunWithFileSizeLimit(1 << 20,
                                   [&] {
                                       QSettings store(Path(), QSettings::IniFormat);
                                       return SaveSettings(s, store);
                                   }),
              1);
    EXPECT_GT(FileBytes().size(), 4000);
}

TEST_F(StoreFile, UnwritableFolderReportsFailure) {
    // The store's folder cannot exist: a plain file stands where it would be.
    QFile blocker(m_dir.filePath(QStringLiteral("blocked")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QSettings store(m_dir.filePath(QStringLiteral("blocked/varlen.ini")), QSettings::IniFormat);
    EXPECT_FALSE(SaveSettings(VarlenSettings{}, store));
    EXPECT_FALSE(SaveFormatList({{1, 4, 16, 16, 0}}, store));
}

using testing_support::RunUnprivileged;

TEST_F(StoreFile, ReadOnlyFolderReportsFailureAndKeepsThePreviousFile) {
    {
        QSettings store(Path(), QSettings::IniFormat);
        ASSERT_TRUE(SaveSettings(VarlenSettings{}, store));
    }
    const QByteArray before = FileBytes();
    // Everybody may read the folder and the file; nobody may write into the folder.
    QFile::setPermissions(Path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                      QFile::ReadOther | QFile::WriteOther);
    QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                            QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
    VarlenSettings s;
    s.m_nBrightness = 42;
    EXPECT_EQ(RunUnprivileged([&] {
                  QSettings store(Path(), QSettings::IniFormat);
                  return SaveSettings(s, store);
              }),
              0);
    QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(FileBytes(), before);
}

}  // namespace
}  // namespace varlen
