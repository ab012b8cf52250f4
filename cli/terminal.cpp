// Whether standard error is a terminal, through the platform's isatty.
#include "cli/terminal.h"

#if defined(_WIN32)
#include <io.h>
#define VARLEN_ISATTY _isatty
#define VARLEN_STDERR 2
#else
#include <unistd.h>
#define VARLEN_ISATTY isatty
#define VARLEN_STDERR STDERR_FILENO
#endif

#include <cstdint>

namespace varlen {

namespace {

void AppendHex(std::string& out, unsigned char byte) {
    constexpr char kDigits[] = "0123456789abcdef";
    out += "\\x";
    out += kDigits[byte >> 4];
    out += kDigits[byte & 15];
}

// Length of the valid UTF-8 sequence of a printable character (U+00A0 and above) at the
// start of s, or 0 when there is none.
std::size_t PrintableSequence(std::string_view s) {
    const auto b0 = static_cast<unsigned char>(s[0]);
    std::size_t length = 0;
    std::uint32_t cp = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2;
        cp = b0 & 0x1Fu;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3;
        cp = b0 & 0x0Fu;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4;
        cp = b0 & 0x07u;
    } else {
        return 0;
    }
    if (s.size() < length) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto b = static_cast<unsigned char>(s[i]);
        if ((b & 0xC0) != 0x80) {
            return 0;
        }
        cp = (cp << 6) | (b & 0x3Fu);
    }
    const std::uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < smallest[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF) || cp < 0xA0) {
        return 0;
    }
    return length;
}

}  // namespace

bool StderrIsTerminal() {
    return VARLEN_ISATTY(VARLEN_STDERR) != 0;
}

std::string EscapedName(std::string_view name) {
    std::string out;
    out.reserve(name.size());
    std::size_t i = 0;
    while (i < name.size()) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else if (const std::size_t n = c >= 0x80 ? PrintableSequence(name.substr(i)) : 0; n > 0) {
            out.append(name.substr(i, n));
            i += n;
            continue;
        } else {
            AppendHex(out, c);
        }
        ++i;
    }
    return out;
}

}  // namespace varlen
