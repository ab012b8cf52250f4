// The checks on the pictures an SVG document embeds (see svg_checks.h).
#include "io/svg_checks.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "io/le_bytes.h"
#include "io/picture_decoders.h"

namespace varlen {

namespace {

constexpr int kMaxEmbeddingDepth = 3;

struct XmlDocGuard {
    const SvgLibrary& lib;
    xmlDocPtr doc = nullptr;
    ~XmlDocGuard() {
        if (doc != nullptr) {
            lib.xmlFreeDoc(doc);
        }
    }
    explicit XmlDocGuard(const SvgLibrary& l) : lib(l) {}
    XmlDocGuard(const XmlDocGuard&) = delete;
    XmlDocGuard& operator=(const XmlDocGuard&) = delete;
};

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// Undoes CSS escapes: a backslash and 1 to 6 hex digits (and one white space after them)
// stand for that code point, a backslash and any other character for the character.
// Code points above 0x7F only matter as "not part of data:", so they become '?'.
std::string CssUnescaped(std::string_view s) {
    if (s.find('\\') == std::string_view::npos) {
        return std::string(s);
    }
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        std::uint32_t value = 0;
        std::size_t n = 0;
        while (n < 6 && i + 1 + n < s.size() && HexValue(s[i + 1 + n]) >= 0) {
            value = value * 16 + static_cast<std::uint32_t>(HexValue(s[i + 1 + n]));
            ++n;
        }
        if (n == 0) {
            out += s[++i];
            continue;
        }
        i += n;
        if (i + 1 < s.size() && std::isspace(static_cast<unsigned char>(s[i + 1])) != 0) {
            ++i;
        }
        out += value < 0x80 ? static_cast<char>(value) : '?';
    }
    return out;
}

std::vector<std::uint8_t> Base64Decoded(std::string_view s) {
    std::vector<std::uint8_t> out;
    std::uint32_t bits = 0;
    int count = 0;
    for (const char c : s) {
        int v = -1;
        if (c >= 'A' && c <= 'Z') {
            v = c - 'A';
        } else if (c >= 'a' && c <= 'z') {
            v = c - 'a' + 26;
        } else if (c >= '0' && c <= '9') {
            v = c - '0' + 52;
        } else if (c == '+' || c == '-') {
            v = 62;
        } else if (c == '/' || c == '_') {
            v = 63;
        }
        if (v < 0) {
            continue;  // padding and white space
        }
        bits = (bits << 6) | static_cast<std::uint32_t>(v);
        count += 6;
        if (count >= 8) {
            count -= 8;
            out.push_back(static_cast<std::uint8_t>(bits >> count));
        }
    }
    return out;
}

std::vector<std::uint8_t> PercentDecoded(std::string_view s) {
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && HexValue(s[i + 1]) >= 0 && HexValue(s[i + 2]) >= 0) {
            out.push_back(static_cast<std::uint8_t>(HexValue(s[i + 1]) * 16 + HexValue(s[i + 2])));
            i += 2;
        } else {
            out.push_back(static_cast<std::uint8_t>(s[i]));
        }
    }
    return out;
}

// The size in a JPEG's first frame header; nothing when there is none before the data ends.
std::optional<std::pair<std::uint32_t, std::uint32_t>> JpegSize(std::span<const std::uint8_t> d) {
    std::size_t at = 2;
    while (at + 4 <= d.size()) {
        if (d[at] != 0xFF) {
            return std::nullopt;
        }
        const std::uint8_t marker = d[at + 1];
        if (marker == 0xFF) {
            ++at;  // fill byte
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {
            at += 2;
            continue;
        }
        const std::size_t length = GetBeU16(d, at + 2);
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (length < 7 || at + 9 > d.size()) {
                return std::nullopt;
            }
            return std::pair{GetBeU16(d, at + 7), GetBeU16(d, at + 5)};
        }
        at += 2 + length;
    }
    return std::nullopt;
}

bool DocumentEmbedsOnlyWhatFits(const SvgLibrary& lib, std::span<const std::uint8_t> xml, int depth,
                                std::int64_t& pixelsLeft);

// One embedded picture: a PNG or JPEG that fits, or an XML document whose own embedded
// pictures fit.
bool EmbeddedPictureFits(const SvgLibrary& lib, std::span<const std::uint8_t> data, int depth,
                         std::int64_t& pixelsLeft) {
    std::optional<std::pair<std::uint32_t, std::uint32_t>> size;
    switch (SniffEncoded(data)) {
        case EncodedKind::Png:
            if (data.size() >= 24) {
                size = std::pair{GetBeU32(data, 16), GetBeU32(data, 20)};
            }
            break;
        case EncodedKind::Jpeg:
            size = JpegSize(data);
            break;
        default: {
            const auto first = std::find_if_not(data.begin(), data.end(), [](std::uint8_t c) {
                return c == 0xEF || c == 0xBB || c == 0xBF || std::isspace(c) != 0;
            });
            return first != data.end() && *first == '<' && depth < kMaxEmbeddingDepth &&
                   DocumentEmbedsOnlyWhatFits(lib, data, depth + 1, pixelsLeft);
        }
    }
    if (!size || size->first > kMaxPictureSide || size->second > kMaxPictureSide) {
        return false;
    }
    pixelsLeft -= static_cast<std::int64_t>(size->first) * size->second;
    return pixelsLeft >= 0;
}

// Every data: URL in text holds an embedded picture that fits. In an href a URL may start
// anywhere a token does; elsewhere (CSS and presentation attributes) only as the argument
// of url(...), so that prose such as "data: 1,2" is not taken for one.
bool DataUrlsFit(const SvgLibrary& lib, std::string_view raw, bool href, int depth,
                 std::int64_t& pixelsLeft) {
    const std::string text = CssUnescaped(raw);
    const auto lower = [](std::string s) {
        std::transform(s.begin(), s.end(), s.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return s;
    };
    for (std::size_t at = 0; (at = text.find(':', at)) != std::string::npos; ++at) {
        if (at < 4 || lower(text.substr(at - 4, 4)) != "data") {
            continue;
        }
        std::size_t before = at - 4;
        while (before > 0 && (std::isspace(static_cast<unsigned char>(text[before - 1])) != 0 ||
                              text[before - 1] == '"' || text[before - 1] == '\'')) {
            --before;
        }
        const bool urlArgument = before > 0 && text[before - 1] == '(';
        const bool tokenStart = before == 0 || urlArgument;
        if (!(href ? tokenStart : urlArgument)) {
            continue;
        }
        const std::size_t comma = text.find(',', at);
        if (comma == std::string::npos) {
            continue;  // not a data: URL; librsvg cannot load it either
        }
        const std::string header = lower(text.substr(at + 1, comma - at - 1));
        const std::size_t end = text.find_first_of("\"')<>", comma + 1);
        const std::string_view payload = std::string_view(text).substr(
            comma + 1, (end == std::string::npos ? text.size() : end) - comma - 1);
        const bool base64 =
            header.size() >= 7 && header.compare(header.size() - 7, 7, ";base64") == 0;
        const std::vector<std::uint8_t> data =
            base64 ? Base64Decoded(payload) : PercentDecoded(payload);
        if (!EmbeddedPictureFits(lib, data, depth, pixelsLeft)) {
            return false;
        }
    }
    return true;
}

// Parses the document and checks every attribute value and text in it. A document that
// libxml2 cannot parse is refused (librsvg could not read it either).
bool DocumentEmbedsOnlyWhatFits(const SvgLibrary& lib, std::span<const std::uint8_t> xml, int depth,
                                std::int64_t& pixelsLeft) {
    XmlDocGuard guard(lib);
    guard.doc = lib.xmlReadMemory(
        reinterpret_cast<const char*>(xml.data()), static_cast<int>(xml.size()), nullptr, nullptr,
        XML_PARSE_NOENT | XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (guard.doc == nullptr) {
        return false;
    }
    std::vector<xmlNodePtr> pending;
    if (xmlNodePtr root = lib.xmlDocGetRootElement(guard.doc)) {
        pending.push_back(root);
    }
    while (!pending.empty()) {
        const xmlNodePtr node = pending.back();
        pending.pop_back();
        if (node->type == XML_ELEMENT_NODE) {
            for (xmlAttrPtr a = node->properties; a != nullptr; a = a->next) {
                xmlChar* value = lib.xmlNodeListGetString(guard.doc, a->children, 1);
                const bool href = lib.xmlStrEqual(a->name, BAD_CAST "href") != 0;
                const bool fits =
                    value == nullptr ||
                    DataUrlsFit(lib, reinterpret_cast<const char*>(value), href, depth, pixelsLeft);
                lib.xmlFree(value);
                if (!fits) {
                    return false;
                }
            }
        } else if ((node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) &&
                   node->content != nullptr && node->parent != nullptr &&
                   lib.xmlStrEqual(node->parent->name, BAD_CAST "style") != 0 &&
                   !DataUrlsFit(lib, reinterpret_cast<const char*>(node->content), false, depth,
                                pixelsLeft)) {
            return false;
        }
        for (xmlNodePtr child = node->children; child != nullptr; child = child->next) {
            pending.push_back(child);
        }
    }
    return true;
}

}  // namespace

bool SvgEmbedsOnlyWhatFits(const SvgLibrary& lib, std::span<const std::uint8_t> data) {
    std::int64_t pixelsLeft = kMaxSvgEmbeddedPixels;
    return DocumentEmbedsOnlyWhatFits(lib, data, 0, pixelsLeft);
}

}  // namespace varlen
