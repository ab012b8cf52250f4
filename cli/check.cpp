// The report of varlen --check.
//
// Contract: see check.h. Text: per file the directory table, each payload, one line per
// finding ("error|warning|note CODE entry N: sentence"), then for icons the table of what
// Windows draws on each surface at each scale. JSON: {"files": [ {file, kind, entries,
// findings, windows, errors, warnings, notes} ]}, documented in the manual.
//
// Traps: file names are bytes, not text: the JSON writer replaces what is not UTF-8.
// The Windows table is only made for icons: cursors are loaded at the cursor size.
#include "cli/check.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

#include "core/icon_choice.h"
#include "io/loaders.h"

namespace varlen {

namespace {

std::optional<std::vector<std::uint8_t>> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> data;
    std::array<char, 1 << 16> buffer{};
    while (in) {
        in.read(buffer.data(), buffer.size());
        const auto got = static_cast<std::size_t>(in.gcount());
        if (data.size() + got > kMaxPictureFileBytes) {
            return std::nullopt;
        }
        data.insert(data.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(got));
    }
    if (in.bad()) {
        return std::nullopt;
    }
    return data;
}

std::string Fixed(double v, int decimals) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    return text;
}

std::string Pad(std::string s, std::size_t width, bool right = false) {
    if (s.size() < width) {
        s = right ? std::string(width - s.size(), ' ') + s : s + std::string(width - s.size(), ' ');
    }
    return s;
}

std::string_view DrawName(IconDraw d) {
    switch (d) {
        case IconDraw::kExact:
            return "exact";
        case IconDraw::kScaledDown:
            return "scaled-down";
        case IconDraw::kScaledUp:
            return "scaled-up";
    }
    return "exact";
}

std::string_view LoaderName(IconLoader l) {
    return l == IconLoader::kScaleDown ? "LoadIconWithScaleDown" : "LookupIconIdFromDirectoryEx";
}

std::vector<IconEntryShape> Shapes(const IconCheckResult& r) {
    std::vector<IconEntryShape> shapes;
    for (const CheckedEntry& e : r.entries) {
        IconEntryShape s = e.shape;
        if (s.bitCount == 0) {
            s.bitCount = 32;  // no depth known anywhere: Windows draws it as the display's
        }
        shapes.push_back(s);
    }
    return shapes;
}

std::string PayloadText(const CheckedEntry& e) {
    std::ostringstream s;
    switch (e.kind) {
        case PayloadKind::kNone:
            return "none (outside the file or empty)";
        case PayloadKind::kUnknown:
            return "unknown";
        case PayloadKind::kPng:
            s << "PNG " << e.png.width << " x " << e.png.height << ", colour type "
              << e.png.colorType << ", " << e.png.bitDepth << "-bit samples"
              << (e.png.interlace == 1 ? ", interlaced" : "")
              << (e.png.intact ? ", intact" : ", damaged");
            return s.str();
        case PayloadKind::kBmp: {
            const BmpPayload& b = e.bmp;
            s << "BMP header " << b.headerSize << ", " << b.width << " x " << b.height << " (image "
              << b.width << " x " << b.height / 2 << "), planes " << b.planes << ", " << b.bitCount
              << " bit, compression " << b.compression << ", size image " << b.sizeImage
              << ", palette " << b.paletteEntries << ", colour rows " << b.colorBytes
              << " bytes, mask " << b.maskPresent << " of " << b.maskBytes << " bytes";
            return s.str();
        }
    }
    return "";
}

int Count(const IconCheckResult& r, CheckSeverity s) {
    int n = 0;
    for (const CheckFinding& f : r.findings) {
        n += f.severity == s ? 1 : 0;
    }
    return n;
}

std::string PickText(const IconCheckResult& r, const std::optional<IconPick>& pick) {
    if (!pick) {
        return "-";
    }
    const IconEntryShape& e = r.entries[static_cast<std::size_t>(pick->entry)].shape;
    std::string text = "#" + std::to_string(pick->entry) + " " + std::to_string(e.width) + "x" +
                       std::to_string(e.height) + " ";
    if (pick->draw == IconDraw::kExact) {
        text += "exact";
    } else {
        text +=
            (pick->draw == IconDraw::kScaledUp ? "up " : "down ") + Fixed(pick->factor, 2) + "x";
    }
    if (IsPoorPick(*pick)) {
        text += " !";
    }
    return text;
}

void PrintWindowsTable(const IconCheckResult& r, std::ostream& out) {
    const std::vector<IconEntryShape> shapes = Shapes(r);
    out << "Windows draws (! marks scaling up, or down by more than "
        << Fixed(kScaleFactorWarning, 1) << "x):\n";
    out << "  " << Pad("surface", 38) << Pad("scale", 6, true) << Pad("size", 6, true) << "  "
        << Pad("LoadIconWithScaleDown", 24) << "LoadIcon/LoadImage\n";
    for (const WindowsIconCell& c : WindowsIconView(shapes)) {
        const WindowsIconSurface& surface =
            kWindowsIconSurfaces[static_cast<std::size_t>(c.surface)];
        std::string name =
            c.scale == 0 ? std::string(surface.name) + (surface.measured ? " (measured)" : "") : "";
        out << "  " << Pad(name, 38)
            << Pad(std::to_string(kWindowsScalePercents[static_cast<std::size_t>(c.scale)]) + "%",
                   6, true)
            << Pad(std::to_string(c.side), 6, true) << "  " << Pad(PickText(r, c.scaleDown), 24)
            << PickText(r, c.lookup) << "\n";
    }
}

void JsonPick(const IconCheckResult& r, const std::optional<IconPick>& pick, std::ostream& out) {
    if (!pick) {
        out << "null";
        return;
    }
    const IconEntryShape& e = r.entries[static_cast<std::size_t>(pick->entry)].shape;
    out << "{\"entry\": " << pick->entry << ", \"width\": " << e.width
        << ", \"height\": " << e.height << ", \"bitCount\": " << e.bitCount << ", \"drawn\": \""
        << DrawName(pick->draw) << "\", \"factor\": " << Fixed(pick->factor, 4)
        << ", \"flagged\": " << (IsPoorPick(*pick) ? "true" : "false") << "}";
}

void PrintCheckJson(const std::string& file, const IconCheckResult& r, std::ostream& out) {
    out << "{\"file\": " << JsonString(file) << ", \"kind\": "
        << (!r.recognised  ? "null"
            : r.IsCursor() ? "\"cursor\""
                           : "\"icon\"")
        << ", \"count\": " << r.count << ",\n  \"entries\": [";
    for (std::size_t i = 0; i < r.entries.size(); ++i) {
        const CheckedEntry& e = r.entries[i];
        out << (i ? ",\n    " : "\n    ") << "{\"index\": " << i << ", \"width\": " << e.width
            << ", \"height\": " << e.height << ", \"colors\": " << e.colorCount
            << ", \"reserved\": " << e.reserved;
        if (r.IsCursor()) {
            out << ", \"hotspot\": {\"x\": " << e.planes << ", \"y\": " << e.bitCount << "}";
        } else {
            out << ", \"planes\": " << e.planes << ", \"bitCount\": " << e.bitCount;
        }
        out << ", \"bytes\": " << e.bytes << ", \"offset\": " << e.offset << ", \"payload\": ";
        switch (e.kind) {
            case PayloadKind::kNone:
                out << "null";
                break;
            case PayloadKind::kUnknown:
                out << "{\"kind\": \"unknown\"}";
                break;
            case PayloadKind::kPng:
                out << "{\"kind\": \"png\", \"width\": " << e.png.width
                    << ", \"height\": " << e.png.height << ", \"colorType\": " << e.png.colorType
                    << ", \"bitDepth\": " << e.png.bitDepth
                    << ", \"interlace\": " << e.png.interlace
                    << ", \"intact\": " << (e.png.intact ? "true" : "false") << "}";
                break;
            case PayloadKind::kBmp: {
                const BmpPayload& b = e.bmp;
                out << "{\"kind\": \"bmp\", \"headerSize\": " << b.headerSize
                    << ", \"width\": " << b.width << ", \"height\": " << b.height
                    << ", \"planes\": " << b.planes << ", \"bitCount\": " << b.bitCount
                    << ", \"compression\": " << b.compression << ", \"sizeImage\": " << b.sizeImage
                    << ", \"clrUsed\": " << b.clrUsed
                    << ", \"paletteEntries\": " << b.paletteEntries
                    << ", \"colorBytes\": " << b.colorBytes << ", \"maskBytes\": " << b.maskBytes
                    << ", \"maskPresent\": " << b.maskPresent << "}";
                break;
            }
        }
        out << "}";
    }
    out << (r.entries.empty() ? "],\n  \"findings\": [" : "\n  ],\n  \"findings\": [");
    for (std::size_t i = 0; i < r.findings.size(); ++i) {
        const CheckFinding& f = r.findings[i];
        out << (i ? ",\n    " : "\n    ") << "{\"severity\": \"" << SeverityName(f.severity)
            << "\", \"code\": " << JsonString(f.code) << ", \"entry\": ";
        if (f.entry < 0) {
            out << "null";
        } else {
            out << f.entry;
        }
        out << ", \"message\": " << JsonString(f.message) << "}";
    }
    out << (r.findings.empty() ? "],\n  \"windows\": " : "\n  ],\n  \"windows\": ");
    if (!r.recognised || r.IsCursor() || r.entries.empty()) {
        out << "null";
    } else {
        const std::vector<WindowsIconCell> cells = WindowsIconView(Shapes(r));
        out << "[";
        for (std::size_t s = 0; s < kWindowsIconSurfaces.size(); ++s) {
            const WindowsIconSurface& surface = kWindowsIconSurfaces[s];
            out << (s ? ",\n    " : "\n    ") << "{\"surface\": " << JsonString(surface.id)
                << ", \"name\": " << JsonString(surface.name)
                << ", \"measured\": " << (surface.measured ? "true" : "false") << ", \"loader\": \""
                << LoaderName(surface.loader) << "\", \"cells\": [";
            bool first = true;
            for (const WindowsIconCell& c : cells) {
                if (c.surface != static_cast<int>(s)) {
                    continue;
                }
                out << (first ? "\n      " : ",\n      ")
                    << "{\"scale\": " << kWindowsScalePercents[static_cast<std::size_t>(c.scale)]
                    << ", \"size\": " << c.side << ", \"scaleDown\": ";
                JsonPick(r, c.scaleDown, out);
                out << ", \"lookup\": ";
                JsonPick(r, c.lookup, out);
                out << "}";
                first = false;
            }
            out << "]}";
        }
        out << "\n  ]";
    }
    out << ",\n  \"errors\": " << Count(r, CheckSeverity::kError)
        << ", \"warnings\": " << Count(r, CheckSeverity::kWarning)
        << ", \"notes\": " << Count(r, CheckSeverity::kNote) << "}";
}

}  // namespace

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
            ++i;
        } else if (c < 0x20) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", c);
            out += esc;
            ++i;
        } else if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
        } else {
            // A well-formed UTF-8 sequence is copied; anything else becomes U+FFFD.
            std::size_t n = c >= 0xF0 && c <= 0xF4  ? 4
                            : c >= 0xE0             ? 3
                            : c >= 0xC2 && c < 0xE0 ? 2
                                                    : 0;
            if (c >= 0xF5) {
                n = 0;
            }
            bool ok = n > 0 && i + n <= text.size();
            for (std::size_t k = 1; ok && k < n; ++k) {
                ok = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
            }
            if (ok && n == 3) {
                const auto c1 = static_cast<unsigned char>(text[i + 1]);
                ok =
                    !(c == 0xE0 && c1 < 0xA0) && !(c == 0xED && c1 >= 0xA0);  // overlong, surrogate
            } else if (ok && n == 4) {
                const auto c1 = static_cast<unsigned char>(text[i + 1]);
                ok = !(c == 0xF0 && c1 < 0x90) && !(c == 0xF4 && c1 >= 0x90);
            }
            if (ok) {
                out.append(text.substr(i, n));
                i += n;
            } else {
                out += "\xEF\xBF\xBD";
                ++i;
            }
        }
    }
    out += '"';
    return out;
}

void PrintCheckText(const std::string& file, const IconCheckResult& r, std::ostream& out) {
    out << file << ": ";
    if (!r.recognised) {
        out << "not an icon or cursor\n";
    } else {
        out << (r.IsCursor() ? "cursor" : "icon") << ", " << r.count
            << (r.count == 1 ? " image\n" : " images\n");
    }
    if (!r.entries.empty()) {
        out << "  " << Pad("#", 4) << Pad("width", 6, true) << Pad("height", 7, true)
            << Pad("colors", 7, true)
            << (r.IsCursor() ? Pad("hot x", 7, true) + Pad("hot y", 7, true)
                             : Pad("planes", 7, true) + Pad("bits", 6, true))
            << Pad("bytes", 10, true) << Pad("offset", 10, true) << "\n";
        for (std::size_t i = 0; i < r.entries.size(); ++i) {
            const CheckedEntry& e = r.entries[i];
            out << "  " << Pad(std::to_string(i), 4) << Pad(std::to_string(e.width), 6, true)
                << Pad(std::to_string(e.height), 7, true)
                << Pad(std::to_string(e.colorCount), 7, true)
                << Pad(std::to_string(e.planes), 7, true)
                << Pad(std::to_string(e.bitCount), r.IsCursor() ? 7 : 6, true)
                << Pad(std::to_string(e.bytes), 10, true) << Pad(std::to_string(e.offset), 10, true)
                << "\n";
        }
        for (std::size_t i = 0; i < r.entries.size(); ++i) {
            out << "  image " << i << ": " << PayloadText(r.entries[i]) << "\n";
        }
    }
    for (const CheckFinding& f : r.findings) {
        out << Pad(std::string(SeverityName(f.severity)), 8) << Pad(std::string(f.code), 24)
            << (f.entry < 0 ? std::string("file") : "entry " + std::to_string(f.entry)) << ": "
            << f.message << "\n";
    }
    if (r.recognised && !r.IsCursor() && !r.entries.empty()) {
        PrintWindowsTable(r, out);
    }
    auto counted = [&r](CheckSeverity s, const char* one, const char* many) {
        const int n = Count(r, s);
        return std::to_string(n) + " " + (n == 1 ? one : many);
    };
    out << counted(CheckSeverity::kError, "error", "errors") << ", "
        << counted(CheckSeverity::kWarning, "warning", "warnings") << ", "
        << counted(CheckSeverity::kNote, "note", "notes") << "\n";
}

int RunCheck(std::span<const std::string> files, bool json, std::ostream& out, std::ostream& err) {
    bool failed = false;
    if (json) {
        out << "{\"files\": [";
    }
    bool first = true;
    for (const std::string& file : files) {
        const std::optional<std::vector<std::uint8_t>> data = ReadFileBytes(file);
        if (!data) {
            err << "varlen: cannot read '" << file << "'\n";
            failed = true;
            continue;
        }
        const IconCheckResult result = CheckIconFile(*data, ExpectedKindOf(file));
        failed = failed || result.HasError();
        if (json) {
            out << (first ? "\n" : ",\n");
            PrintCheckJson(file, result, out);
        } else {
            if (!first) {
                out << "\n";
            }
            PrintCheckText(file, result, out);
        }
        first = false;
    }
    if (json) {
        out << "\n]}\n";
    }
    return failed ? 1 : 0;
}

}  // namespace varlen
