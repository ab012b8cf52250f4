// The settings store: defaults, the round trip of all values, packed points, the raw
// format records and every read rule of "FormatCount" / "Format".
#include "gui/settings.h"

#include <gtest/gtest.h>

#include <QSettings>

namespace varlen {
namespace {

// The user's store, emptied; it lives in the test run's temporary folder.
class SettingsStore : public ::testing::Test {
  protected:
    void SetUp() override { DeleteSettingsStore(); }
    void TearDown() override { DeleteSettingsStore(); }

    static QVariant Raw(const char* key) {
        QSettings store(QStringLiteral("Orvik"), QStringLiteral("Varlen"));
        return store.value(QStringLiteral("Settings/") + QLatin1String(key));
    }
    static void PutRaw(const char* key, const QVariant& value) {
        QSettings store(QStringLiteral("Orvik"), QStringLiteral("Varlen"));
        store.setValue(QStringLiteral("Settings/") + QLatin1String(key), value);
    }
    static VarlenSettings Loaded() {
        VarlenSettings s;
        LoadSettings(s);
        return s;
    }
};

QByteArray Bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values) {
        out.append(static_cast<char>(v));
    }
    return out;
}

const std::vector<FORMAT> kDefaults(kDefaultFormats.begin(), kDefaultFormats.end());

TEST_F(SettingsStore, EmptyStoreGivesTheDefaultsOfAFirstStart) {
    const VarlenSettings s = Loaded();
    EXPECT_FALSE(s.m_bNoMargin);
    EXPECT_FALSE(s.m_bBackground);
    EXPECT_EQ(s.m_crBackground, 0x00FFFFFFu);
    EXPECT_EQ(s.m_nTransparentMode, 0);
    EXPECT_EQ(s.m_nTransparentRange, 0);
    EXPECT_EQ(s.m_nTransparentSurrounding, 0);
    EXPECT_EQ(s.m_nFilter, 0);
    EXPECT_EQ(s.m_nBrightness, 0);
    EXPECT_EQ(s.m_nContrast, 0);
    EXPECT_EQ(s.m_nSharp, 0);
    EXPECT_EQ(s.m_nLight, 0);
    EXPECT_EQ(s.m_ptLight, (Point{0, 0}));
    EXPECT_FALSE(s.m_bNoLight4Bit);
    EXPECT_EQ(s.m_nTransparent, 0);
    EXPECT_EQ(s.m_nShadow, 0);
    EXPECT_EQ(s.m_ptShadow, (Point{127, 127}));
    EXPECT_EQ(s.m_nRound, 0);
    EXPECT_EQ(s.m_nFade, 0);
    EXPECT_EQ(s.m_nExportFileType, 1);
    EXPECT_TRUE(s.m_bSmoothing);
    EXPECT_FALSE(s.m_bPng);
    EXPECT_TRUE(s.m_strOpenPath.isEmpty());
    EXPECT_TRUE(s.m_strSavePath.isEmpty());
    EXPECT_TRUE(s.m_bFinishOpenFolder);
    EXPECT_TRUE(s.m_bFinishClose);
    ASSERT_EQ(s.m_aFormat.size(), 15u);
    const int expected[15][3] = {{4, 32, 32},  {4, 16, 16},  {8, 48, 48},    {8, 32, 32},
                                 {8, 24, 24},  {8, 16, 16},  {24, 48, 48},   {24, 32, 32},
                                 {24, 24, 24}, {24, 16, 16}, {32, 256, 256}, {32, 48, 48},
                                 {32, 32, 32}, {32, 24, 24}, {32, 16, 16}};
    for (std::size_t i = 0; i < 15; ++i) {
        EXPECT_EQ(s.m_aFormat[i].bEnabled, 1) << i;
        EXPECT_EQ(s.m_aFormat[i].wBitCount, expected[i][0]) << i;
        EXPECT_EQ(s.m_aFormat[i].wWidth, expected[i][1]) << i;
        EXPECT_EQ(s.m_aFormat[i].wHeight, expected[i][2]) << i;
    }
}

TEST_F(SettingsStore, EveryValueSurvivesARoundTrip) {
    VarlenSettings s;
    s.m_bNoMargin = true;
    s.m_bBackground = true;
    s.m_crBackground = 0x00123456;
    s.m_nTransparentMode = 1;
    s.m_nTransparentRange = 40;
    s.m_nTransparentSurrounding = 3;
    s.m_nFilter = 5;
    s.m_nBrightness = -20;
    s.m_nContrast = 30;
    s.m_nSharp = 4;
    s.m_nLight = 60;
    s.m_ptLight = {200, 17};
    s.m_bNoLight4Bit = true;
    s.m_nTransparent = -50;
    s.m_nShadow = 70;
    s.m_ptShadow = {-100, 90};
    s.m_nRound = 150;
    s.m_nFade = 25;
    s.m_nExportFileType = 4;
    s.m_bSmoothing = false;
    s.m_bPng = true;
    s.m_strOpenPath = QStringLiteral("/home/ユーザー/画像");
    s.m_strSavePath = QStringLiteral("/tmp/out dir");
    s.m_bFinishOpenFolder = false;
    s.m_bFinishClose = false;
    s.m_aFormat = {{1, 8, 64, 64, 0}, {0, 32, 512, 512, 0}};
    SaveSettings(s);

    const VarlenSettings r = Loaded();
    EXPECT_TRUE(r.m_bNoMargin);
    EXPECT_TRUE(r.m_bBackground);
    EXPECT_EQ(r.m_crBackground, 0x00123456u);
    EXPECT_EQ(r.m_nTransparentMode, 1);
    EXPECT_EQ(r.m_nTransparentRange, 40);
    EXPECT_EQ(r.m_nTransparentSurrounding, 3);
    EXPECT_EQ(r.m_nFilter, 5);
    EXPECT_EQ(r.m_nBrightness, -20);
    EXPECT_EQ(r.m_nContrast, 30);
    EXPECT_EQ(r.m_nSharp, 4);
    EXPECT_EQ(r.m_nLight, 60);
    EXPECT_EQ(r.m_ptLight, (Point{200, 17}));
    EXPECT_TRUE(r.m_bNoLight4Bit);
    EXPECT_EQ(r.m_nTransparent, -50);
    EXPECT_EQ(r.m_nShadow, 70);
    EXPECT_EQ(r.m_ptShadow, (Point{-100, 90}));
    EXPECT_EQ(r.m_nRound, 150);
    EXPECT_EQ(r.m_nFade, 25);
    EXPECT_EQ(r.m_nExportFileType, 4);
    EXPECT_FALSE(r.m_bSmoothing);
    EXPECT_TRUE(r.m_bPng);
    EXPECT_EQ(r.m_strOpenPath, QStringLiteral("/home/ユーザー/画像"));
    EXPECT_EQ(r.m_strSavePath, QStringLiteral("/tmp/out dir"));
    EXPECT_FALSE(r.m_bFinishOpenFolder);
    EXPECT_FALSE(r.m_bFinishClose);
    EXPECT_EQ(r.m_aFormat, s.m_aFormat);
}

TEST_F(SettingsStore, ValuesAreStoredAsIntegersInTheSettingsGroup) {
    VarlenSettings s;
    s.m_bBackground = true;
    s.m_nBrightness = -7;
    SaveSettings(s);
    EXPECT_EQ(Raw("Background").toInt(), 1);
    EXPECT_EQ(Raw("NoMargin").toInt(), 0);
    EXPECT_EQ(Raw("BackgroundColor").toInt(), 0x00FFFFFF);
    EXPECT_EQ(Raw("Brightness").toInt(), -7);
    EXPECT_EQ(Raw("ShadowPos").toInt(), (127 << 16) | 127);
    EXPECT_EQ(Raw("FormatCount").toInt(), 15);
    EXPECT_EQ(Raw("Format").toByteArray().size(), 180);
}

TEST_F(SettingsStore, AbsentKeysKeepTheirDefaults) {
    PutRaw("Sharp", 3);
    PutRaw("FinishClose", 0);
    const VarlenSettings s = Loaded();
    EXPECT_EQ(s.m_nSharp, 3);
    EXPECT_FALSE(s.m_bFinishClose);
    EXPECT_TRUE(s.m_bFinishOpenFolder);
    EXPECT_EQ(s.m_nExportFileType, 1);
    EXPECT_EQ(s.m_ptShadow, (Point{127, 127}));
    EXPECT_EQ(s.m_aFormat, kDefaults);
}

TEST_F(SettingsStore, ValuesAreTakenWithoutRangeChecks) {
    PutRaw("Brightness", 5000);
    PutRaw("ExportFileType", -3);
    const VarlenSettings s = Loaded();
    EXPECT_EQ(s.m_nBrightness, 5000);
    EXPECT_EQ(s.m_nExportFileType, -3);
}

TEST_F(SettingsStore, AValueThatIsNotANumberKeepsTheDefault) {
    PutRaw("Contrast", QStringLiteral("abc"));
    PutRaw("Smoothing", QStringLiteral("x"));
    const VarlenSettings s = Loaded();
    EXPECT_EQ(s.m_nContrast, 0);
    EXPECT_TRUE(s.m_bSmoothing);
}

TEST(PackedPoint, HighHalfIsYLowHalfIsX) {
    EXPECT_EQ(static_cast<unsigned>(PackPoint({-1, 5})), 0x0005FFFFu);
    EXPECT_EQ(UnpackPoint(0x0005FFFF), (Point{-1, 5}));
    EXPECT_EQ(static_cast<unsigned>(PackPoint({127, 127})), 0x007F007Fu);
    EXPECT_EQ(static_cast<unsigned>(PackPoint({3, -2})), 0xFFFE0003u);
    EXPECT_EQ(UnpackPoint(static_cast<int>(0xFFFE0003u)), (Point{3, -2}));
    EXPECT_EQ(UnpackPoint(static_cast<int>(0x80008000u)), (Point{-32768, -32768}));
    EXPECT_EQ(UnpackPoint(0x7FFF7FFF), (Point{32767, 32767}));
}

TEST_F(SettingsStore, NegativePositionsAreStoredPackedAndReadBack) {
    VarlenSettings s;
    s.m_ptLight = {-1, 5};
    s.m_ptShadow = {-32768, -2};
    SaveSettings(s);
    EXPECT_EQ(static_cast<unsigned>(Raw("LightPos").toInt()), 0x0005FFFFu);
    EXPECT_EQ(static_cast<unsigned>(Raw("ShadowPos").toInt()), 0xFFFE8000u);
    const VarlenSettings r = Loaded();
    EXPECT_EQ(r.m_ptLight, (Point{-1, 5}));
    EXPECT_EQ(r.m_ptShadow, (Point{-32768, -2}));
}

TEST(FormatRecords, TwelveLittleEndianBytesEachWithTheFiller) {
    const std::vector<FORMAT> list = {{1, 32, 256, 256, 0}, {0x01020304, 4, 16, 0x1234, 0xBEEF}};
    EXPECT_EQ(FormatListBytes(list), Bytes({1, 0, 0, 0, 32, 0, 0,  1, 0,    1,    0,    0,  //
                                            4, 3, 2, 1, 4,  0, 16, 0, 0x34, 0x12, 0xEF, 0xBE}));
    EXPECT_EQ(FormatListFromBytes(FormatListBytes(list)), list);
}

TEST_F(SettingsStore, StoredRecordsReplaceTheDefaultsAndKeepTheirFiller) {
    const QByteArray stored = Bytes({0, 0, 0, 0, 8,  0, 48, 0, 40, 0, 0xAA, 0x55,  //
                                     1, 0, 0, 0, 24, 0, 20, 0, 20, 0, 0,    0});
    PutRaw("FormatCount", 2);
    PutRaw("Format", stored);
    VarlenSettings s = Loaded();
    ASSERT_EQ(s.m_aFormat.size(), 2u);
    EXPECT_EQ(s.m_aFormat[0], (FORMAT{0, 8, 48, 40, 0x55AA}));
    EXPECT_EQ(s.m_aFormat[1], (FORMAT{1, 24, 20, 20, 0}));
    // Written back, the bytes are the ones read, filler included.
    DeleteSettingsStore();
    SaveSettings(s);
    EXPECT_EQ(Raw("Format").toByteArray(), stored);
    EXPECT_EQ(Raw("FormatCount").toInt(), 2);
}

TEST_F(SettingsStore, FormatWithoutCountKeepsTheDefaults) {
    PutRaw("Format", Bytes({1, 0, 0, 0, 8, 0, 48, 0, 48, 0, 0, 0}));
    EXPECT_EQ(Loaded().m_aFormat, kDefaults);
}

TEST_F(SettingsStore, CountMinusOneKeepsTheDefaults) {
    PutRaw("FormatCount", -1);
    PutRaw("Format", QByteArray());
    EXPECT_EQ(Loaded().m_aFormat, kDefaults);
}

TEST_F(SettingsStore, CountWithoutFormatKeepsTheDefaults) {
    PutRaw("FormatCount", 0);
    EXPECT_EQ(Loaded().m_aFormat, kDefaults);
}

TEST_F(SettingsStore, CountZeroWithEmptyFormatIsAnEmptyList) {
    PutRaw("FormatCount", 0);
    PutRaw("Format", QByteArray());
    EXPECT_TRUE(Loaded().m_aFormat.empty());
}

TEST_F(SettingsStore, LengthMismatchKeepsTheDefaults) {
    PutRaw("FormatCount", 3);
    PutRaw("Format", QByteArray(24, '\1'));
    EXPECT_EQ(Loaded().m_aFormat, kDefaults);
    PutRaw("FormatCount", 1);
    PutRaw("Format", QByteArray(13, '\1'));
    EXPECT_EQ(Loaded().m_aFormat, kDefaults);
}

TEST_F(SettingsStore, HugeOrNegativeCountKeepsTheDefaults) {
    // 12 x 357913942 wraps to 8 in 32 bits; the check must not be fooled by it.
    PutRaw("FormatCount", 357913942);
    PutRaw("Format", QByteArray(8, '\1'));
    EXPECT_EQ(Loaded().m_aFormat, kDefaults);
    PutRaw("FormatCount", -2);
    PutRaw("Format", QByteArray());
    EXPECT_EQ(Loaded().m_aFormat, kDefaults);
}

TEST_F(SettingsStore, SaveFormatListWritesOnlyTheList) {
    SaveFormatList({{1, 4, 16, 16, 0}});
    EXPECT_EQ(Raw("FormatCount").toInt(), 1);
    EXPECT_EQ(Raw("Format").toByteArray(), Bytes({1, 0, 0, 0, 4, 0, 16, 0, 16, 0, 0, 0}));
    EXPECT_FALSE(Raw("Brightness").isValid());
    EXPECT_FALSE(Raw("NoMargin").isValid());
}

TEST_F(SettingsStore, DeletingTheStoreBringsBackEveryDefault) {
    VarlenSettings s;
    s.m_nRound = 120;
    s.m_aFormat.clear();
    SaveSettings(s);
    {
        QSettings store(QStringLiteral("Orvik"), QStringLiteral("Varlen"));
        store.setValue(QStringLiteral("Other/Key"), 1);
    }
    DeleteSettingsStore();
    QSettings store(QStringLiteral("Orvik"), QStringLiteral("Varlen"));
    EXPECT_TRUE(store.allKeys().isEmpty());
    const VarlenSettings r = Loaded();
    EXPECT_EQ(r.m_nRound, 0);
    EXPECT_EQ(r.m_aFormat, kDefaults);
}

TEST(EffectValues, EveryFilterSettingReachesTheCore) {
    VarlenSettings s;
    s.m_nBrightness = 1;
    s.m_nContrast = 2;
    s.m_nSharp = 3;
    s.m_nLight = 4;
    s.m_ptLight = {5, 6};
    s.m_bNoLight4Bit = true;
    s.m_nTransparent = 7;
    s.m_nShadow = 8;
    s.m_ptShadow = {9, 10};
    s.m_nRound = 11;
    s.m_nFade = 12;
    const EffectSettings e = ToEffectSettings(s);
    EXPECT_EQ(e, (EffectSettings{1, 2, 3, 4, {5, 6}, true, 7, 8, {9, 10}, 11, 12}));
    EXPECT_EQ(ToEffectSettings(VarlenSettings{}), EffectSettings{});
}

}  // namespace
}  // namespace varlen
