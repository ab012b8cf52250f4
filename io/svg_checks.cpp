// The checks on the pictures an SVG document embeds (see svg_checks.h).
#include "io/svg_checks.h"

#include <libxml/entities.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
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

// The pixels of a length attribute value ("300", "2.5in", "10mm"); nothing for a
// percentage, an unknown unit or no number.
std::optional<double> PixelLength(std::string_view v) {
    while (!v.empty() && std::isspace(static_cast<unsigned char>(v.front())) != 0) {
        v.remove_prefix(1);
    }
    double value = 0;
    const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), value);
    if (ec != std::errc() || !std::isfinite(value)) {
        return std::nullopt;
    }
    std::string unit(end, v.data() + v.size());
    std::erase_if(unit, [](unsigned char c) { return std::isspace(c) != 0; });
    constexpr std::pair<std::string_view, double> kUnits[] = {
        {"", 1.0},           {"px", 1.0},  {"in", 96.0}, {"cm", 96.0 / 2.54}, {"mm", 96.0 / 25.4},
        {"pt", 96.0 / 72.0}, {"pc", 16.0}, {"em", 16.0}, {"ex", 8.0},
    };
    for (const auto& [name, scale] : kUnits) {
        if (unit == name) {
            return value * scale;
        }
    }
    return std::nullopt;
}

// The size a document claims for itself: width and height, else those of the viewBox;
// 0 for a side it does not state.
std::pair<double, double> ClaimedSize(std::string_view width, std::string_view height,
                                      std::string_view viewBox) {
    double box[4] = {0, 0, 0, 0};
    std::string numbers(viewBox);
    std::replace(numbers.begin(), numbers.end(), ',', ' ');
    const char* at = numbers.data();
    const char* const end = numbers.data() + numbers.size();
    for (double& b : box) {
        while (at < end && *at == ' ') {
            ++at;
        }
        const auto r = std::from_chars(at, end, b);
        if (r.ec != std::errc()) {
            b = 0;
            break;
        }
        at = r.ptr;
    }
    const auto side = [](std::string_view v, double fallback) {
        const std::optional<double> px = PixelLength(v);
        const double d = px ? *px : fallback;
        return std::isfinite(d) && d > 0 ? d : 0.0;
    };
    return {side(width, box[2]), side(height, box[3])};
}

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
    std::string text = CssUnescaped(raw);
    std::erase_if(text, [](char c) { return c == '\t' || c == '\n' || c == '\r'; });
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
        while (before > 0 && (static_cast<unsigned char>(text[before - 1]) <= 0x20 ||
                              std::isspace(static_cast<unsigned char>(text[before - 1])) != 0 ||
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

// The declared entity an entity reference stands for, when it is an internal general one.
const xmlEntity* InternalEntity(const xmlNode* reference) {
    const auto* e = reinterpret_cast<const xmlEntity*>(reference->children);
    return e != nullptr && e->type == XML_ENTITY_DECL && e->etype == XML_INTERNAL_GENERAL_ENTITY
               ? e
               : nullptr;
}

// Whether the document type declares only internal general entities.
bool OnlyInternalEntities(const xmlDoc* doc) {
    for (const xmlDtd* dtd : {doc->intSubset, doc->extSubset}) {
        for (const xmlNode* n = dtd != nullptr ? dtd->children : nullptr; n != nullptr;
             n = n->next) {
            if (n->type == XML_ENTITY_DECL &&
                reinterpret_cast<const xmlEntity*>(n)->etype != XML_INTERNAL_GENERAL_ENTITY) {
                return false;
            }
        }
    }
    return true;
}

// The text of a node list with internal entities expanded, as librsvg reads it. False when
// the walk runs out of budget (nodes visited, including every expansion) or nests too deep.
bool GatherText(const xmlNode* list, std::string& out, std::size_t& budget, int nesting = 0) {
    constexpr int kMaxNesting = 32;
    for (const xmlNode* n = list; n != nullptr; n = n->next) {
        if (budget == 0 || --budget == 0 || out.size() > kMaxSvgBytes) {
            return false;
        }
        if (n->type == XML_TEXT_NODE || n->type == XML_CDATA_SECTION_NODE) {
            if (n->content != nullptr) {
                out += reinterpret_cast<const char*>(n->content);
            }
        } else if (n->type == XML_ENTITY_REF_NODE) {
            const xmlEntity* e = InternalEntity(n);
            if (e == nullptr) {
                continue;
            }
            if (nesting == kMaxNesting) {
                return false;
            }
            if (e->children != nullptr) {
                if (!GatherText(e->children, out, budget, nesting + 1)) {
                    return false;
                }
            } else if (e->content != nullptr) {
                out += reinterpret_cast<const char*>(e->content);
            }
        } else if (n->type == XML_ELEMENT_NODE &&
                   !GatherText(n->children, out, budget, nesting + 1)) {
            return false;
        }
    }
    return true;
}

// Parses the document and checks every attribute value and style sheet in it, the content
// of internal entities included. A document that libxml2 cannot parse is refused (librsvg
// could not read it either). A nested document (depth > 0) also pays for its own size.
bool DocumentEmbedsOnlyWhatFits(const SvgLibrary& lib, std::span<const std::uint8_t> xml, int depth,
                                std::int64_t& pixelsLeft) {
    XmlDocGuard guard(lib);
    guard.doc = lib.xmlReadMemory(reinterpret_cast<const char*>(xml.data()),
                                  static_cast<int>(xml.size()), nullptr, nullptr,
                                  XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (guard.doc == nullptr || !OnlyInternalEntities(guard.doc)) {
        return false;
    }
    // Every node once, and each entity's nodes once per reference: a legitimate document
    // stays far below this; an entity bomb does not.
    std::size_t budget = 4 * xml.size() + 100000;
    const xmlNodePtr root = lib.xmlDocGetRootElement(guard.doc);
    if (root != nullptr && depth > 0) {
        std::string width, height, viewBox;
        for (xmlAttrPtr a = root->properties; a != nullptr; a = a->next) {
            std::string* target = lib.xmlStrEqual(a->name, BAD_CAST "width")     ? &width
                                  : lib.xmlStrEqual(a->name, BAD_CAST "height")  ? &height
                                  : lib.xmlStrEqual(a->name, BAD_CAST "viewBox") ? &viewBox
                                                                                 : nullptr;
            if (target != nullptr && !GatherText(a->children, *target, budget)) {
                return false;
            }
        }
        const auto [w, h] = ClaimedSize(width, height, viewBox);
        if (w > kMaxPictureSide || h > kMaxPictureSide) {
            return false;
        }
        pixelsLeft -=
            static_cast<std::int64_t>(std::ceil(w)) * static_cast<std::int64_t>(std::ceil(h));
        if (pixelsLeft < 0) {
            return false;
        }
    }
    std::vector<const xmlNode*> pending;
    if (root != nullptr) {
        pending.push_back(root);
    }
    while (!pending.empty()) {
        const xmlNode* node = pending.back();
        pending.pop_back();
        if (budget == 0 || --budget == 0) {
            return false;
        }
        const xmlNode* children = node->children;
        if (node->type == XML_ELEMENT_NODE) {
            for (xmlAttrPtr a = node->properties; a != nullptr; a = a->next) {
                std::string value;
                if (!GatherText(a->children, value, budget)) {
                    return false;
                }
                const bool href = lib.xmlStrEqual(a->name, BAD_CAST "href") != 0;
                if (!DataUrlsFit(lib, value, href, depth, pixelsLeft)) {
                    return false;
                }
            }
            if (lib.xmlStrEqual(node->name, BAD_CAST "style") != 0) {
                std::string sheet;
                if (!GatherText(node->children, sheet, budget) ||
                    !DataUrlsFit(lib, sheet, false, depth, pixelsLeft)) {
                    return false;
                }
                children = nullptr;
            }
        } else if (node->type == XML_ENTITY_REF_NODE) {
            const xmlEntity* e = InternalEntity(node);
            children = e != nullptr ? e->children : nullptr;
        } else {
            children = nullptr;
        }
        for (const xmlNode* child = children; child != nullptr; child = child->next) {
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
