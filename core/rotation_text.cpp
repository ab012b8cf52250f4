// Rotation text to thousandths of a degree and back (see rotation_text.h).
#include "core/rotation_text.h"

#include <climits>
#include <cstdio>

namespace varlen {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Leading integer of text: spaces skipped, optional sign, digits; 0 without digits.
int LeadingInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) {
            value = static_cast<long long>(INT_MAX) + 1;
        }
    }
    if (negative) {
        value = -value;
    }
    if (value > INT_MAX) {
        return INT_MAX;
    }
    return static_cast<int>(value);
}

}  // namespace

bool IsValidRotationText(std::string_view text) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    while (i < text.size() && IsDigit(text[i])) {
        ++i;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        std::size_t decimals = 0;
        while (i < text.size() && IsDigit(text[i])) {
            ++i;
            ++decimals;
        }
        if (decimals > 3) {
            return false;
        }
    }
    return i == text.size();
}

int RotationTextValue(std::string_view text) {
    std::string joined;
    const std::size_t point = text.find('.');
    if (point == std::string_view::npos) {
        joined = std::string(text) + "000";
    } else {
        std::string decimals(text.substr(point + 1, 3));
        decimals.resize(3, '0');
        joined = std::string(text.substr(0, point)) + decimals;
    }
    return LeadingInteger(joined);
}

std::string FormatRotation(int value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.1f", value / 1000.0);
    return buffer;
}

}  // namespace varlen
