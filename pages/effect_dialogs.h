// The six effect dialogs of the filters page: brightness and contrast, sharpen, light,
// transparency, shadow, and rounded corners with an edge fade. Each is a small widget
// with one or two sliders, a label naming each slider and a label showing its position.
//
// A slider change is reported to the page with the slider's control id and a scroll code
// (the trackbar's codes, below), after the position label has been set; the page decides
// from the code whether the change is stored and when the preview follows. The dialogs
// never touch the sheet's settings themselves.
#pragma once

#include <QString>
#include <QWidget>
#include <vector>

#include "core/effects.h"

class QCheckBox;
class QLabel;
class QSlider;
class QVBoxLayout;

namespace varlen {

// What moved a slider. Numbered like the trackbar codes the rest of the program names.
enum ScrollCode {
    TB_LINEUP = 0,         // one line step down the range (arrow key, wheel)
    TB_LINEDOWN = 1,       // one line step up the range
    TB_PAGEUP = 2,         // one page step (Page key, click on the channel)
    TB_PAGEDOWN = 3,       //
    TB_THUMBPOSITION = 4,  // the thumb released after a drag
    TB_THUMBTRACK = 5,     // the thumb dragged
    TB_TOP = 6,            // Home: the minimum
    TB_BOTTOM = 7,         // End: the maximum
};

// Control ids of the sliders, unique across the six dialogs.
inline constexpr int IDC_BRIGHTNESS = 1028;
inline constexpr int IDC_CONTRAST = 1034;
inline constexpr int IDC_SHARP = 1067;
inline constexpr int IDC_LIGHT = 1019;
inline constexpr int IDC_TRANSPARENT = 1049;
inline constexpr int IDC_SHADOW = 1027;
inline constexpr int IDC_ROUND = 1037;
inline constexpr int IDC_FADE = 1080;

// The common part of the family: an explanatory text on top, then one row per slider.
class CEffectDialog : public QWidget {
    Q_OBJECT

  public:
    // The slider with control id, or null when this dialog has none of that id.
    QSlider* Slider(int id) const;
    // The label beside that slider that shows its position, or null.
    QLabel* PositionLabel(int id) const;
    // The explanatory text on top.
    QLabel* Text() const { return m_pText; }

  signals:
    // The slider id was changed by the user; code is a ScrollCode. The slider's position
    // (QAbstractSlider::sliderPosition) already holds the new value.
    void scrolled(int id, int code);

  protected:
    CEffectDialog(const QString& text, QWidget* parent);

    // Adds a labelled slider row: range min ... max, ticks every tick above the slider, page
    // size page, line size 1, position 0. tooltips: the slider shows its position in a tip
    // while it is dragged.
    QSlider* AddSlider(int id, const QString& label, ValueRange range, int tick, int page,
                       bool tooltips = true);
    // The slider's position (while it is moved: the new one).
    int Position(int id) const;
    // Moves the slider (clamped to its range) and shows the position it took.
    void SetPosition(int id, int value);

    QVBoxLayout* Column() const { return m_pColumn; }

  private:
    struct Row {
        int id;
        QSlider* slider;
        QLabel* position;
        bool tooltips;
    };
    const Row* Find(int id) const;
    void OnAction(const Row& row, int action);
    void OnReleased(const Row& row);

    QLabel* m_pText = nullptr;
    QVBoxLayout* m_pColumn = nullptr;
    std::vector<Row> m_rows;
};

class CBrightnessDialog : public CEffectDialog {
    Q_OBJECT
  public:
    explicit CBrightnessDialog(QWidget* parent = nullptr);
    int GetBrightness() const { return Position(IDC_BRIGHTNESS); }
    void SetBrightness(int value) { SetPosition(IDC_BRIGHTNESS, value); }
    int GetContrast() const { return Position(IDC_CONTRAST); }
    void SetContrast(int value) { SetPosition(IDC_CONTRAST, value); }
};

class CSharpDialog : public CEffectDialog {
    Q_OBJECT
  public:
    explicit CSharpDialog(QWidget* parent = nullptr);
    int GetSharp() const { return Position(IDC_SHARP); }
    void SetSharp(int value) { SetPosition(IDC_SHARP, value); }
};

class CLightDialog : public CEffectDialog {
    Q_OBJECT
  public:
    explicit CLightDialog(QWidget* parent = nullptr);
    int GetLight() const { return Position(IDC_LIGHT); }
    void SetLight(int value) { SetPosition(IDC_LIGHT, value); }
    // The check box "no light for 4-bit icons": checked for any nonzero value; 1 or 0.
    void SetNoLight4Bit(int value);
    int GetNoLight4Bit() const;
    QCheckBox* NoLight4BitBox() const { return m_pNoLight4Bit; }

  private:
    QCheckBox* m_pNoLight4Bit = nullptr;
};

class CTransparentDialog : public CEffectDialog {
    Q_OBJECT
  public:
    explicit CTransparentDialog(QWidget* parent = nullptr);
    int GetTransparent() const { return Position(IDC_TRANSPARENT); }
    void SetTransparent(int value) { SetPosition(IDC_TRANSPARENT, value); }
};

class CShadowDialog : public CEffectDialog {
    Q_OBJECT
  public:
    explicit CShadowDialog(QWidget* parent = nullptr);
    int GetShadow() const { return Position(IDC_SHADOW); }
    void SetShadow(int value) { SetPosition(IDC_SHADOW, value); }
};

class CFrameDialog : public CEffectDialog {
    Q_OBJECT
  public:
    explicit CFrameDialog(QWidget* parent = nullptr);
    int GetRound() const { return Position(IDC_ROUND); }
    void SetRound(int value) { SetPosition(IDC_ROUND, value); }
    int GetFade() const { return Position(IDC_FADE); }
    void SetFade(int value) { SetPosition(IDC_FADE, value); }
};

}  // namespace varlen
