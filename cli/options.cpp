// Parsing the batch command line into BatchOptions, and the --help text.
#include "cli/options.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <functional>
#include <map>

#include "core/placement.h"
#include "core/rotation_text.h"

namespace varlen {

namespace {

constexpr std::string_view kUsage =
    R"(Usage:
  varlen [PICTURE]                      open the wizard
  varlen --create OUTPUT.ico [OPTIONS] PICTURE
  varlen --export OUTPUT.{bmp,png,gif,cur} --format BITS:WxH [--hotspot X,Y]
         [OPTIONS] PICTURE
  varlen --help | --version

Makes an icon from PICTURE as the wizard does when every control keeps its default;
the options stand for what you would change on its pages. Stored settings are not read.
PICTURE is a BMP, PNG, JPEG, GIF, WebP, TIFF, SVG, icon (.ico) or cursor (.cur) file,
told by its content, or - to read the picture from standard input.

Placement:
  --no-margin            fill the square (crop) instead of fitting the picture in it
  --square X,Y,SIDE      cut this square out instead, its top-left corner at picture
                         pixel X,Y (may lie outside the picture); overrides --no-margin
  --rotate DEG           rotate clockwise, degrees with up to three decimals
  --mirror               mirror left-right
  --background RRGGBB    lay the picture on this colour
Transparent regions (in the order given, on the placed square picture):
  --clear-color X,Y      clear every pixel of the colour found at X,Y
  --clear-region X,Y     clear the connected region around X,Y
  --tolerance N          colour tolerance, 0 ... 255 (default 0)
  --expand N             widen each cleared region by N pixels, 0 ... 255 (default 0)
Effects:
  --brightness N (-100 ... 100)   --contrast N (-100 ... 100)   --sharp N (0 ... 8)
  --light N (0 ... 100)           --light-pos X,Y (0 ... 255)   --no-light-4bit
  --transparency N (-100 ... 100) --shadow N (0 ... 100)        --shadow-pos X,Y (-127 ... 128)
  --round N (0 ... 200)           --fade N (0 ... 100)
Formats:
  --formats LIST         e.g. 32:256x256,8:48x48 (depths 4, 8, 24, 32; sides 1 ... 512);
                         default: the 15 standard formats
  --preset NAME          a named list instead of --formats: win11 (the 14 sizes of
                         Windows 11 app icons), classic (the 15 standard formats),
                         favicon (48, 32, 16), light (32-bit 256, 48, 32, 24, 16 and
                         8-bit 32, 16); all 32-bit unless stated
  --size-picture WxH=FILE
                         every format of size WxH takes its pixels from FILE instead:
                         as they are when FILE is W x H, else fitted in (centred,
                         margins transparent); no transparent regions or effects are
                         applied to it; repeatable, once per size
  --no-smoothing         resize by nearest pixel
  --png                  store 32-bit images of 64 x 64 and larger PNG-compressed
Export:
  --format BITS:WxH      the one format to export
  --hotspot X,Y          cursor hotspot (default 0,0)

Exit status: 0 done, 1 the picture could not be read or the output not written,
2 a usage error.
)";

std::string Lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

std::optional<int> ParseInt(std::string_view text) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

std::optional<Point> ParsePoint(std::string_view text) {
    const std::size_t comma = text.find(',');
    if (comma == std::string_view::npos) {
        return std::nullopt;
    }
    const auto x = ParseInt(text.substr(0, comma));
    const auto y = ParseInt(text.substr(comma + 1));
    if (!x || !y) {
        return std::nullopt;
    }
    return Point{*x, *y};
}

// X,Y,SIDE: a square of SIDE >= 1 whose corner lies within 2^28 of the picture's.
std::optional<Rect> ParseSquare(std::string_view text) {
    const std::size_t comma = text.rfind(',');
    if (comma == std::string_view::npos) {
        return std::nullopt;
    }
    const auto corner = ParsePoint(text.substr(0, comma));
    const auto side = ParseInt(text.substr(comma + 1));
    constexpr int kFar = 1 << 28;
    if (!corner || !side || *side < 1 || *side > kMaxPlacedSide || std::abs(corner->x) > kFar ||
        std::abs(corner->y) > kFar) {
        return std::nullopt;
    }
    return Rect{corner->x, corner->y, corner->x + *side, corner->y + *side};
}

std::optional<ColorRef> ParseHexColour(std::string_view text) {
    if (!text.empty() && text.front() == '#') {
        text.remove_prefix(1);
    }
    if (text.size() != 6) {
        return std::nullopt;
    }
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + 6, value, 16);
    if (ec != std::errc() || end != text.data() + 6) {
        return std::nullopt;
    }
    // RRGGBB to a Windows colour value (red in the low byte).
    const unsigned r = (value >> 16) & 0xFF, g = (value >> 8) & 0xFF, b = value & 0xFF;
    return static_cast<ColorRef>(r | (g << 8) | (b << 16));
}

std::string Bad(std::string_view option, std::string_view why) {
    return std::string(option) + ": " + std::string(why);
}

}  // namespace

std::string_view UsageText() {
    return kUsage;
}

std::optional<ExportType> ExportTypeOf(std::string_view path) {
    const std::size_t dot = path.rfind('.');
    const std::size_t slash = path.find_last_of("/\\");
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) {
        return std::nullopt;
    }
    const std::string ext = Lower(path.substr(dot + 1));
    if (ext == "bmp")
        return ExportType::kBmp;
    if (ext == "png")
        return ExportType::kPng;
    if (ext == "gif")
        return ExportType::kGif;
    if (ext == "cur")
        return ExportType::kCursor;
    return std::nullopt;
}

std::optional<FORMAT> ParseFormat(std::string_view text) {
    const std::size_t colon = text.find(':');
    const std::size_t x = text.find('x', colon == std::string_view::npos ? 0 : colon);
    if (colon == std::string_view::npos || x == std::string_view::npos) {
        return std::nullopt;
    }
    const auto bits = ParseInt(text.substr(0, colon));
    const auto w = ParseInt(text.substr(colon + 1, x - colon - 1));
    const auto h = ParseInt(text.substr(x + 1));
    if (!bits || !w || !h) {
        return std::nullopt;
    }
    if (*bits != 4 && *bits != 8 && *bits != 24 && *bits != 32) {
        return std::nullopt;
    }
    if (*w < 1 || *w > 512 || *h < 1 || *h > 512) {
        return std::nullopt;
    }
    return FORMAT{1, static_cast<std::uint16_t>(*bits), static_cast<std::uint16_t>(*w),
                  static_cast<std::uint16_t>(*h), 0};
}

std::optional<SizePictureOption> ParseSizePicture(std::string_view text) {
    const std::size_t eq = text.find('=');
    if (eq == std::string_view::npos || eq + 1 == text.size()) {
        return std::nullopt;
    }
    const std::string_view size = text.substr(0, eq);
    const std::size_t x = size.find('x');
    if (x == std::string_view::npos) {
        return std::nullopt;
    }
    const auto w = ParseInt(size.substr(0, x));
    const auto h = ParseInt(size.substr(x + 1));
    if (!w || !h || *w < 1 || *w > 512 || *h < 1 || *h > 512) {
        return std::nullopt;
    }
    return SizePictureOption{*w, *h, std::string(text.substr(eq + 1))};
}

bool IsBatchInvocation(std::span<const std::string> args) {
    for (const std::string& a : args) {
        const std::string_view name = std::string_view(a).substr(0, a.find('='));
        if (name == "--create" || name == "--export" || name == "--help" || name == "-h" ||
            name == "--version") {
            return true;
        }
    }
    return false;
}

ParsedCommandLine ParseBatchArguments(std::span<const std::string> args) {
    ParsedCommandLine result;
    BatchOptions& o = result.options;
    std::optional<BatchMode> work;  // --create or --export
    bool wantHelp = false;
    bool wantVersion = false;
    bool haveFormat = false;
    bool haveHotspot = false;
    bool haveFormats = false;
    bool havePreset = false;

    // Options with an integer value in a range, and where the value goes.
    struct IntOption {
        int lo, hi;
        int* target;
    };
    const std::map<std::string_view, IntOption> intOptions = {
        {"--tolerance", {0, 255, &o.tolerance}},
        {"--expand", {0, 255, &o.expand}},
        {"--brightness", {-100, 100, &o.effects.brightness}},
        {"--contrast", {-100, 100, &o.effects.contrast}},
        {"--sharp", {0, 8, &o.effects.sharp}},
        {"--light", {0, 100, &o.effects.light}},
        {"--transparency", {-100, 100, &o.effects.transparent}},
        {"--shadow", {0, 100, &o.effects.shadow}},
        {"--round", {0, 200, &o.effects.round}},
        {"--fade", {0, 100, &o.effects.fade}},
    };
    const std::map<std::string_view, bool*> flags = {
        {"--no-margin", &o.noMargin},
        {"--mirror", &o.mirror},
        {"--png", &o.png},
    };

    for (std::size_t i = 0; i < args.size() && result.error.empty(); ++i) {
        std::string_view arg = args[i];
        std::optional<std::string_view> inlineValue;
        if (arg.starts_with("--")) {
            const std::size_t eq = arg.find('=');
            if (eq != std::string_view::npos) {
                inlineValue = arg.substr(eq + 1);
                arg = arg.substr(0, eq);
            }
        }
        // The value of an option that takes one: after "=" or the next argument.
        auto value = [&]() -> std::optional<std::string_view> {
            if (inlineValue) {
                return inlineValue;
            }
            if (i + 1 < args.size()) {
                return std::string_view(args[++i]);
            }
            result.error = Bad(arg, "needs a value");
            return std::nullopt;
        };

        if (arg == "--help" || arg == "-h") {
            wantHelp = true;
        } else if (arg == "--version") {
            wantVersion = true;
        } else if (arg == "--create" || arg == "--export") {
            const BatchMode m = arg == "--create" ? BatchMode::kCreate : BatchMode::kExport;
            if (work && *work != m) {
                result.error = Bad(arg, "--create and --export cannot be combined");
                break;
            }
            work = m;
            if (auto v = value()) {
                if (v->empty()) {
                    result.error = Bad(arg, "needs an output file name");
                }
                o.output = std::string(*v);
            }
        } else if (auto f = flags.find(arg); f != flags.end()) {
            *f->second = true;
        } else if (arg == "--no-smoothing") {
            o.smoothing = false;
        } else if (arg == "--no-light-4bit") {
            o.effects.noLight4Bit = true;
        } else if (auto it = intOptions.find(arg); it != intOptions.end()) {
            if (auto v = value()) {
                const auto n = ParseInt(*v);
                if (!n || *n < it->second.lo || *n > it->second.hi) {
                    result.error =
                        Bad(arg, "expects a whole number from " + std::to_string(it->second.lo) +
                                     " to " + std::to_string(it->second.hi));
                } else {
                    *it->second.target = *n;
                }
            }
        } else if (arg == "--rotate") {
            if (auto v = value()) {
                if (v->empty() || !IsValidRotationText(*v) || *v == "-" || *v == "+" || *v == ".") {
                    result.error = Bad(arg, "expects degrees such as 90 or -12.5");
                } else {
                    o.rotation = NormalizeRotation(RotationTextValue(*v));
                }
            }
        } else if (arg == "--square") {
            if (auto v = value()) {
                if (auto r = ParseSquare(*v)) {
                    o.square = *r;
                } else {
                    result.error = Bad(arg, "expects X,Y,SIDE with SIDE from 1 to " +
                                                std::to_string(kMaxPlacedSide));
                }
            }
        } else if (arg == "--background") {
            if (auto v = value()) {
                if (auto c = ParseHexColour(*v)) {
                    o.background = *c;
                } else {
                    result.error = Bad(arg, "expects a colour as RRGGBB, e.g. ff8000");
                }
            }
        } else if (arg == "--clear-color" || arg == "--clear-region") {
            if (auto v = value()) {
                if (auto p = ParsePoint(*v)) {
                    o.clears.push_back(ClearStep{arg == "--clear-region", *p});
                } else {
                    result.error = Bad(arg, "expects a point X,Y");
                }
            }
        } else if (arg == "--light-pos" || arg == "--shadow-pos" || arg == "--hotspot") {
            if (auto v = value()) {
                const auto p = ParsePoint(*v);
                const bool light = arg == "--light-pos";
                const bool shadow = arg == "--shadow-pos";
                const int lo = light ? 0 : shadow ? -127 : 0;
                const int hi = light ? 255 : shadow ? 128 : 511;
                if (!p || p->x < lo || p->x > hi || p->y < lo || p->y > hi) {
                    result.error = Bad(arg, "expects a point X,Y with each from " +
                                                std::to_string(lo) + " to " + std::to_string(hi));
                } else if (light) {
                    o.effects.lightPos = *p;
                } else if (shadow) {
                    o.effects.shadowPos = *p;
                } else {
                    o.hotspot = *p;
                    haveHotspot = true;
                }
            }
        } else if (arg == "--preset") {
            if (auto v = value()) {
                const FormatPreset* preset = FindFormatPreset(*v);
                if (haveFormats || havePreset) {
                    result.error = Bad(arg, haveFormats ? "cannot be combined with --formats"
                                                        : "can be given once");
                } else if (preset == nullptr) {
                    result.error = Bad(arg, "expects win11, classic, favicon or light");
                } else {
                    o.formats.assign(preset->formats.begin(), preset->formats.end());
                    havePreset = true;
                }
            }
        } else if (arg == "--size-picture") {
            if (auto v = value()) {
                const auto parsed = ParseSizePicture(*v);
                const bool twice =
                    parsed && std::any_of(o.sizePictures.begin(), o.sizePictures.end(),
                                          [&](const SizePictureOption& p) {
                                              return p.width == parsed->width &&
                                                     p.height == parsed->height;
                                          });
                if (!parsed) {
                    result.error = Bad(arg, "expects WxH=FILE with sides 1 to 512");
                } else if (twice) {
                    result.error = Bad(arg, "the size " + std::to_string(parsed->width) + "x" +
                                                std::to_string(parsed->height) + " is given twice");
                } else {
                    o.sizePictures.push_back(*parsed);
                }
            }
        } else if (arg == "--formats") {
            if (havePreset) {
                result.error = Bad(arg, "cannot be combined with --preset");
                break;
            }
            haveFormats = true;
            if (auto v = value()) {
                std::vector<FORMAT> list;
                std::string_view rest = *v;
                while (result.error.empty()) {
                    const std::size_t comma = rest.find(',');
                    const std::string_view item = rest.substr(0, comma);
                    if (auto parsed = ParseFormat(item)) {
                        list.push_back(*parsed);
                    } else {
                        result.error = Bad(arg, "bad format '" + std::string(item) +
                                                    "': expects BITS:WxH with BITS 4, 8, 24 or "
                                                    "32 and sides 1 to 512");
                    }
                    if (comma == std::string_view::npos) {
                        break;
                    }
                    rest = rest.substr(comma + 1);
                }
                o.formats = std::move(list);
            }
        } else if (arg == "--format") {
            if (auto v = value()) {
                if (auto parsed = ParseFormat(*v)) {
                    o.exportFormat = *parsed;
                    haveFormat = true;
                } else {
                    result.error = Bad(arg,
                                       "expects BITS:WxH with BITS 4, 8, 24 or 32 and "
                                       "sides 1 to 512");
                }
            }
        } else if (arg.size() > 1 && arg.front() == '-') {
            result.error = Bad(arg, "unknown option");
        } else if (!o.picture.empty()) {
            result.error = Bad(arg, "only one picture can be given");
        } else {
            o.picture = std::string(arg);
        }
    }
    if (!result.error.empty()) {
        return result;
    }

    o.mode = wantHelp      ? BatchMode::kHelp
             : wantVersion ? BatchMode::kVersion
                           : work.value_or(BatchMode::kHelp);
    if (o.mode == BatchMode::kHelp || o.mode == BatchMode::kVersion) {
        return result;
    }
    if (o.picture.empty()) {
        result.error = "PICTURE: no picture given";
    } else if (o.mode == BatchMode::kExport) {
        const auto type = ExportTypeOf(o.output);
        if (!type) {
            result.error = "--export: the output must end in .bmp, .png, .gif or .cur";
        } else if (!haveFormat) {
            result.error = "--export: needs --format BITS:WxH";
        } else if (*type == ExportType::kGif && o.exportFormat.wBitCount > 8) {
            result.error = "--format: a GIF file holds 4 or 8 bits per pixel";
        } else if (haveHotspot && *type != ExportType::kCursor) {
            result.error = "--hotspot: only a cursor (.cur) has a hotspot";
        } else if (haveHotspot && (o.hotspot.x >= o.exportFormat.wWidth ||
                                   o.hotspot.y >= o.exportFormat.wHeight)) {
            result.error = "--hotspot: lies outside the cursor's image";
        }
    } else if (haveFormat || haveHotspot) {
        result.error = haveFormat ? "--format: only for --export (use --formats with --create)"
                                  : "--hotspot: only for --export to a .cur file";
    } else if (o.formats.empty()) {
        result.error = "--formats: the list is empty";
    }
    if (!result.error.empty()) {
        return result;
    }
    // A picture for a size no format has would silently change nothing.
    for (const SizePictureOption& p : o.sizePictures) {
        const auto hasSize = [&](const FORMAT& f) {
            return f.wWidth == p.width && f.wHeight == p.height;
        };
        const bool used = o.mode == BatchMode::kExport
                              ? hasSize(o.exportFormat)
                              : std::any_of(o.formats.begin(), o.formats.end(), hasSize);
        if (!used) {
            result.error = "--size-picture: no format has the size " + std::to_string(p.width) +
                           "x" + std::to_string(p.height);
            return result;
        }
        if (p.file == "-" && o.picture == "-") {
            result.error = "--size-picture: standard input already holds the PICTURE";
            return result;
        }
    }
    const auto fromInput = std::count_if(o.sizePictures.begin(), o.sizePictures.end(),
                                         [](const SizePictureOption& p) { return p.file == "-"; });
    if (fromInput > 1) {
        result.error = "--size-picture: standard input holds one picture only";
    }
    return result;
}

}  // namespace varlen
