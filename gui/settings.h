// The user's settings and the format list, and their store: QSettings under organisation
// "Orvik", application "Varlen", group "Settings" (the registry on Windows, an INI file on
// Linux). Plain data, so the store can be read and written without any widget.
#pragma once

#include <QSettings>
#include <QString>
#include <vector>

#include "core/effects.h"
#include "core/format.h"
#include "core/icon.h"

namespace varlen {

inline constexpr char kOrganization[] = "Orvik";
inline constexpr char kApplication[] = "Varlen";
inline constexpr char kSettingsGroup[] = "Settings";

// Every stored value with its first-start default, in store order. The wizard sheet
// inherits this, so pages reach each value by its own name (m_pSheet->m_nBrightness).
struct VarlenSettings {
    bool m_bNoMargin = false;              // "NoMargin": keep the square inside the picture
    bool m_bBackground = false;            // "Background": lay the picture on a colour
    ColorRef m_crBackground = 0x00FFFFFF;  // "BackgroundColor": red in the low byte
    int m_nTransparentMode = 0;            // "TransparentMode": 0 colour, 1 closed region
    int m_nTransparentRange = 0;           // "TransparentRange": colour tolerance
    int m_nTransparentSurrounding = 0;     // "TransparentSurrounding": region expansion
    int m_nFilter = 0;                     // "Filter": selected tab of the filters page
    int m_nBrightness = 0;                 // "Brightness"
    int m_nContrast = 0;                   // "Contrast"
    int m_nSharp = 0;                      // "Sharp"
    int m_nLight = 0;                      // "Light"
    Point m_ptLight{0, 0};                 // "LightPos" (packed)
    bool m_bNoLight4Bit = false;           // "NoLight4Bit"
    int m_nTransparent = 0;                // "Transparent"
    int m_nShadow = 0;                     // "Shadow"
    Point m_ptShadow{127, 127};            // "ShadowPos" (packed)
    int m_nRound = 0;                      // "Round"
    int m_nFade = 0;                       // "Fade"
    int m_nExportFileType = 1;             // "ExportFileType": 1 BMP, 2 PNG, 3 GIF, 4 CUR
    bool m_bSmoothing = true;              // "Smoothing"
    bool m_bPng = false;                   // "PNG": large 32-bit entries PNG-compressed
    QString m_strOpenPath;                 // "OpenPath": folder of the last opened picture
    QString m_strSavePath;                 // "SavePath": folder of the output file
    QString m_strExportPath;               // "ExportPath": folder of the last export
    bool m_bFinishOpenFolder = true;       // "FinishOpenFolder"
    bool m_bFinishClose = true;            // "FinishClose"
    std::vector<FORMAT> m_aFormat{kDefaultFormats.begin(), kDefaultFormats.end()};  // "Format"
};

// A point as one 32-bit value: y in the high 16 bits, x in the low 16 bits.
int PackPoint(Point pt);
// Each half read back as a signed 16-bit number.
Point UnpackPoint(int packed);

// "Format": the records one after the other, 12 bytes each, little-endian, filler kept.
QByteArray FormatListBytes(const std::vector<FORMAT>& formats);
// The records of bytes; bytes.size() must be a multiple of 12 (a short tail is ignored).
std::vector<FORMAT> FormatListFromBytes(const QByteArray& bytes);

// Reads every value over the current ones: an absent or unreadable value keeps what the
// member holds. The format list is replaced only when "FormatCount" is present, not -1,
// and "Format" holds exactly 12 x count bytes.
void LoadSettings(VarlenSettings& settings, QSettings& store);
void LoadSettings(VarlenSettings& settings);  // the user's store
// Writes every value, the format list last, and flushes the store. False when the store
// could not be written (the previous file, if any, is then left as it was).
bool SaveSettings(const VarlenSettings& settings, QSettings& store);
bool SaveSettings(const VarlenSettings& settings);
// Writes "FormatCount" and "Format" only; false as SaveSettings.
bool SaveFormatList(const std::vector<FORMAT>& formats, QSettings& store);
bool SaveFormatList(const std::vector<FORMAT>& formats);
// Removes the whole "Orvik/Varlen" store, not only its "Settings" group.
void DeleteSettingsStore();

// The filter values as the image core takes them, each clamped to its slider's range
// (a damaged store may hold anything; the members keep the stored values).
EffectSettings ToEffectSettings(const VarlenSettings& settings);
// Colour tolerance and region expansion as the region code takes them: 0 ... 255.
int TransparentRangeForUse(const VarlenSettings& settings);
int TransparentSurroundingForUse(const VarlenSettings& settings);
// The format list the pages offer and build: records with a side outside 1 ... 512 or a
// depth other than 4, 8, 24, 32 are left out (m_aFormat keeps them, and so does the store).
std::vector<FORMAT> FormatsForUse(const VarlenSettings& settings);

}  // namespace varlen
