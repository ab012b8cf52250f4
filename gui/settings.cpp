// The settings store. Contract: every value is read over the member's current value, so a
// missing key (or one that does not read as an integer) leaves the default in place;
// values are taken as stored, without range checks, and written back as they are. Only
// where a value is used (ToEffectSettings, the ...ForUse helpers) is it brought into the
// range the image code takes (see app/stored_values.h). Traps:
// - The two positions are packed into one int, y high and x low; each half is a signed
//   16-bit number, so (-1, 5) is stored as 0x0005FFFF and must come back as (-1, 5).
// - The format list is raw 12-byte records. It replaces the default list only when the
//   count is present, not -1, and the byte length is exactly 12 x count: a count of 0 with
//   an empty value is a valid empty list, any mismatch keeps the defaults. The count is
//   multiplied in 64 bits so a hostile count cannot overflow.
// - The filler bytes of a record are written back as they were read.
// - Saving must not trust QSettings::sync(): on a full disk it replaces the file with a
//   truncated one and reports no error. Saves go through a scratch file that is read back
//   and compared before it replaces the store's file (SaveVerified); any failure returns
//   false and leaves the old file as it was.
#include "gui/settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryFile>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <span>

#include "gui/stored_values.h"

namespace varlen {

namespace {

constexpr std::size_t kFormatBytes = 12;

#ifdef Q_OS_WIN
constexpr bool kNativeIsRegistry = true;
#else
constexpr bool kNativeIsRegistry = false;
#endif

int ReadInt(QSettings& store, const char* key, int current) {
    const QVariant value = store.value(QLatin1String(key));
    if (!value.isValid()) {
        return current;
    }
    bool ok = false;
    const int n = value.toInt(&ok);
    return ok ? n : current;
}

bool ReadBool(QSettings& store, const char* key, bool current) {
    return ReadInt(store, key, current ? 1 : 0) != 0;
}

QString ReadString(QSettings& store, const char* key, const QString& current) {
    const QVariant value = store.value(QLatin1String(key));
    return value.isValid() ? value.toString() : current;
}

void WriteInt(QSettings& store, const char* key, int value) {
    store.setValue(QLatin1String(key), value);
}

void WriteBool(QSettings& store, const char* key, bool value) {
    WriteInt(store, key, value ? 1 : 0);
}

void PutU16(QByteArray& out, std::uint16_t v) {
    out.append(static_cast<char>(v & 0xFF));
    out.append(static_cast<char>(v >> 8));
}

std::span<const std::uint8_t> Span(const QByteArray& bytes) {
    return {reinterpret_cast<const std::uint8_t*>(bytes.constData()),
            static_cast<std::size_t>(bytes.size())};
}

void LoadFormatList(std::vector<FORMAT>& formats, QSettings& store) {
    const int count = ReadInt(store, "FormatCount", -1);
    if (count == -1) {
        return;
    }
    if (!store.contains(QStringLiteral("Format"))) {
        return;
    }
    const QByteArray bytes = store.value(QStringLiteral("Format")).toByteArray();
    if (auto parsed = ParseFormatList(Span(bytes), count)) {
        formats = std::move(*parsed);
    }
}

// Two values of the store are the same once read back from the file: byte arrays byte
// for byte, everything else (numbers come back as text) as text.
bool SameStoredValue(const QVariant& a, const QVariant& b) {
    if (a.typeId() == QMetaType::QByteArray || b.typeId() == QMetaType::QByteArray) {
        return a.typeId() == b.typeId() && a.toByteArray() == b.toByteArray();
    }
    if (a.typeId() == QMetaType::QStringList || b.typeId() == QMetaType::QStringList) {
        return a.toStringList() == b.toStringList();
    }
    return a.toString() == b.toString();
}

// Whether the file at path holds exactly the keys and values of expected. QSettings
// shares one parsed copy per file name among its objects (and keeps it after they go), so
// opening path again would only show what the writer believes it wrote: the bytes are
// read from a copy under a name Qt has not seen.
bool FileHolds(const QString& path, QSettings::Format format, const QSettings& expected) {
    QString checkPath;
    {
        QTemporaryFile reserve(path + QStringLiteral(".check.XXXXXX"));
        if (!reserve.open()) {
            return false;
        }
        checkPath = reserve.fileName();
    }  // removed again: QFile::copy does not overwrite
    if (!QFile::copy(path, checkPath)) {
        return false;
    }
    bool same = false;
    {
        QSettings check(checkPath, format);
        QStringList keys = check.allKeys();
        QStringList want = expected.allKeys();
        keys.sort();
        want.sort();
        same = check.status() == QSettings::NoError && keys == want;
        for (qsizetype i = 0; same && i < want.size(); ++i) {
            same = SameStoredValue(check.value(want[i]), expected.value(want[i]));
        }
    }
    QFile::remove(checkPath);
    return same;
}

// Saves through a scratch copy: the store's whole content plus what write adds goes to a
// new file beside the store's file, is read back and compared, and only then renamed over
// the store's file. QSettings alone is not enough: on a full disk it writes a truncated
// file, replaces the old one with it and still reports NoError. The store object itself
// is never written to (its pending changes would be flushed the same unsafe way); it is
// synced afterwards so it sees the new file. Stores that are not files (the registry)
// are written directly.
bool SaveVerified(QSettings& store, const std::function<void(QSettings&)>& write) {
    const QString path = store.fileName();
    const QFileInfo info(path);
    const bool isFile = !path.isEmpty() && !info.isDir() &&
                        (store.format() != QSettings::NativeFormat || !kNativeIsRegistry);
    if (!isFile) {
        write(store);
        store.sync();
        return store.status() == QSettings::NoError;
    }
    store.sync();  // bring in what other objects wrote
    if (!QDir().mkpath(info.absolutePath())) {
        return false;
    }
    QString scratch;
    {
        QTemporaryFile reserve(path + QStringLiteral(".XXXXXX"));
        reserve.setAutoRemove(false);
        if (!reserve.open()) {
            return false;
        }
        scratch = reserve.fileName();
    }
    bool ok = false;
    {
        QSettings copy(scratch, store.format());
        for (const QString& key : store.allKeys()) {
            copy.setValue(key, store.value(key));
        }
        write(copy);
        copy.sync();
        ok = copy.status() == QSettings::NoError && FileHolds(scratch, store.format(), copy);
    }
    if (ok && info.exists()) {
        QFile::setPermissions(scratch, QFile::permissions(path));
    }
    ok = ok && std::rename(QFile::encodeName(scratch).constData(),
                           QFile::encodeName(path).constData()) == 0;
    if (!ok) {
        QFile::remove(scratch);
        return false;
    }
    store.sync();
    return true;
}

void WriteFormatList(const std::vector<FORMAT>& formats, QSettings& store) {
    WriteInt(store, "FormatCount", static_cast<int>(formats.size()));
    store.setValue(QStringLiteral("Format"), FormatListBytes(formats));
}

}  // namespace

int PackPoint(Point pt) {
    const std::uint32_t packed =
        (static_cast<std::uint32_t>(pt.y) << 16) | (static_cast<std::uint32_t>(pt.x) & 0xFFFFu);
    return static_cast<int>(packed);
}

Point UnpackPoint(int packed) {
    const auto bits = static_cast<std::uint32_t>(packed);
    return Point{static_cast<std::int16_t>(bits & 0xFFFFu), static_cast<std::int16_t>(bits >> 16)};
}

QByteArray FormatListBytes(const std::vector<FORMAT>& formats) {
    QByteArray out;
    out.reserve(static_cast<qsizetype>(formats.size() * kFormatBytes));
    for (const FORMAT& f : formats) {
        const auto enabled = static_cast<std::uint32_t>(f.bEnabled);
        PutU16(out, static_cast<std::uint16_t>(enabled & 0xFFFF));
        PutU16(out, static_cast<std::uint16_t>(enabled >> 16));
        PutU16(out, f.wBitCount);
        PutU16(out, f.wWidth);
        PutU16(out, f.wHeight);
        PutU16(out, f.wReserved);
    }
    return out;
}

std::vector<FORMAT> FormatListFromBytes(const QByteArray& bytes) {
    return FormatRecords(Span(bytes));
}

void LoadSettings(VarlenSettings& s, QSettings& store) {
    store.beginGroup(QLatin1String(kSettingsGroup));
    s.m_bNoMargin = ReadBool(store, "NoMargin", s.m_bNoMargin);
    s.m_bBackground = ReadBool(store, "Background", s.m_bBackground);
    s.m_crBackground = static_cast<ColorRef>(
        ReadInt(store, "BackgroundColor", static_cast<int>(s.m_crBackground)));
    s.m_nTransparentMode = ReadInt(store, "TransparentMode", s.m_nTransparentMode);
    s.m_nTransparentRange = ReadInt(store, "TransparentRange", s.m_nTransparentRange);
    s.m_nTransparentSurrounding =
        ReadInt(store, "TransparentSurrounding", s.m_nTransparentSurrounding);
    s.m_nFilter = ReadInt(store, "Filter", s.m_nFilter);
    s.m_nBrightness = ReadInt(store, "Brightness", s.m_nBrightness);
    s.m_nContrast = ReadInt(store, "Contrast", s.m_nContrast);
    s.m_nSharp = ReadInt(store, "Sharp", s.m_nSharp);
    s.m_nLight = ReadInt(store, "Light", s.m_nLight);
    s.m_ptLight = UnpackPoint(ReadInt(store, "LightPos", PackPoint(s.m_ptLight)));
    s.m_bNoLight4Bit = ReadBool(store, "NoLight4Bit", s.m_bNoLight4Bit);
    s.m_nTransparent = ReadInt(store, "Transparent", s.m_nTransparent);
    s.m_nShadow = ReadInt(store, "Shadow", s.m_nShadow);
    s.m_ptShadow = UnpackPoint(ReadInt(store, "ShadowPos", PackPoint(s.m_ptShadow)));
    s.m_nRound = ReadInt(store, "Round", s.m_nRound);
    s.m_nFade = ReadInt(store, "Fade", s.m_nFade);
    s.m_nExportFileType = ReadInt(store, "ExportFileType", s.m_nExportFileType);
    s.m_bSmoothing = ReadBool(store, "Smoothing", s.m_bSmoothing);
    s.m_bPng = ReadBool(store, "PNG", s.m_bPng);
    s.m_strOpenPath = ReadString(store, "OpenPath", s.m_strOpenPath);
    s.m_strSavePath = ReadString(store, "SavePath", s.m_strSavePath);
    s.m_strExportPath = ReadString(store, "ExportPath", s.m_strExportPath);
    s.m_bFinishOpenFolder = ReadBool(store, "FinishOpenFolder", s.m_bFinishOpenFolder);
    s.m_bFinishClose = ReadBool(store, "FinishClose", s.m_bFinishClose);
    LoadFormatList(s.m_aFormat, store);
    store.endGroup();
}

namespace {

void WriteAllValues(const VarlenSettings& s, QSettings& store) {
    store.beginGroup(QLatin1String(kSettingsGroup));
    WriteBool(store, "NoMargin", s.m_bNoMargin);
    WriteBool(store, "Background", s.m_bBackground);
    WriteInt(store, "BackgroundColor", static_cast<int>(s.m_crBackground));
    WriteInt(store, "TransparentMode", s.m_nTransparentMode);
    WriteInt(store, "TransparentRange", s.m_nTransparentRange);
    WriteInt(store, "TransparentSurrounding", s.m_nTransparentSurrounding);
    WriteInt(store, "Filter", s.m_nFilter);
    WriteInt(store, "Brightness", s.m_nBrightness);
    WriteInt(store, "Contrast", s.m_nContrast);
    WriteInt(store, "Sharp", s.m_nSharp);
    WriteInt(store, "Light", s.m_nLight);
    WriteInt(store, "LightPos", PackPoint(s.m_ptLight));
    WriteBool(store, "NoLight4Bit", s.m_bNoLight4Bit);
    WriteInt(store, "Transparent", s.m_nTransparent);
    WriteInt(store, "Shadow", s.m_nShadow);
    WriteInt(store, "ShadowPos", PackPoint(s.m_ptShadow));
    WriteInt(store, "Round", s.m_nRound);
    WriteInt(store, "Fade", s.m_nFade);
    WriteInt(store, "ExportFileType", s.m_nExportFileType);
    WriteBool(store, "Smoothing", s.m_bSmoothing);
    WriteBool(store, "PNG", s.m_bPng);
    store.setValue(QStringLiteral("OpenPath"), s.m_strOpenPath);
    store.setValue(QStringLiteral("SavePath"), s.m_strSavePath);
    store.setValue(QStringLiteral("ExportPath"), s.m_strExportPath);
    WriteBool(store, "FinishOpenFolder", s.m_bFinishOpenFolder);
    WriteBool(store, "FinishClose", s.m_bFinishClose);
    WriteFormatList(s.m_aFormat, store);
    store.endGroup();
}

}  // namespace

bool SaveSettings(const VarlenSettings& s, QSettings& store) {
    return SaveVerified(store, [&s](QSettings& target) { WriteAllValues(s, target); });
}

bool SaveFormatList(const std::vector<FORMAT>& formats, QSettings& store) {
    return SaveVerified(store, [&formats](QSettings& target) {
        target.beginGroup(QLatin1String(kSettingsGroup));
        WriteFormatList(formats, target);
        target.endGroup();
    });
}

void LoadSettings(VarlenSettings& settings) {
    QSettings store{QString::fromLatin1(kOrganization), QString::fromLatin1(kApplication)};
    LoadSettings(settings, store);
}

bool SaveSettings(const VarlenSettings& settings) {
    QSettings store{QString::fromLatin1(kOrganization), QString::fromLatin1(kApplication)};
    return SaveSettings(settings, store);
}

bool SaveFormatList(const std::vector<FORMAT>& formats) {
    QSettings store{QString::fromLatin1(kOrganization), QString::fromLatin1(kApplication)};
    return SaveFormatList(formats, store);
}

void DeleteSettingsStore() {
    QString file;
    {
        QSettings store{QString::fromLatin1(kOrganization), QString::fromLatin1(kApplication)};
        file = store.fileName();
        store.clear();
        store.sync();
    }
    // Where the store is a file (Linux, macOS), the emptied file goes too.
    if (QFileInfo(file).isFile()) {
        QFile::remove(file);
    }
}

EffectSettings ToEffectSettings(const VarlenSettings& s) {
    EffectSettings e;
    e.brightness = s.m_nBrightness;
    e.contrast = s.m_nContrast;
    e.sharp = s.m_nSharp;
    e.light = s.m_nLight;
    e.lightPos = s.m_ptLight;
    e.noLight4Bit = s.m_bNoLight4Bit;
    e.transparent = s.m_nTransparent;
    e.shadow = s.m_nShadow;
    e.shadowPos = s.m_ptShadow;
    e.round = s.m_nRound;
    e.fade = s.m_nFade;
    return ClampEffects(e);
}

int TransparentRangeForUse(const VarlenSettings& s) {
    return ClampTransparencyValue(s.m_nTransparentRange);
}

int TransparentSurroundingForUse(const VarlenSettings& s) {
    return ClampTransparencyValue(s.m_nTransparentSurrounding);
}

std::vector<FORMAT> FormatsForUse(const VarlenSettings& s) {
    return UsableFormats(s.m_aFormat);
}

}  // namespace varlen
