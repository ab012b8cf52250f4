// The text form of a rotation angle, as typed into the rotation field and on the command
// line: degrees with at most three decimals ("12.3", "-5.25", ".5"), held as an integer
// in thousandths of a degree.
//
// Traps: the value is read digit-wise, not through floating point, so "0.001" is exactly
// 1 and "-0.5" is -500 (the sign of "-0" survives because the digits are joined first).
#pragma once

#include <string>
#include <string_view>

namespace varlen {

// Empty, or: optional sign, digits, optionally "." and at most three digits. A lone sign,
// a lone point and a trailing point are valid (they are steps on the way to a number).
bool IsValidRotationText(std::string_view text);

// Thousandths of a degree: the part before the first "." joined with the first three
// characters after it, padded with "0" to three, read as a leading integer (0 when there
// is none), saturated at the int range.
int RotationTextValue(std::string_view text);

// "%.1f" of value / 1000.
std::string FormatRotation(int value);

}  // namespace varlen
