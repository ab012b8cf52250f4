// The command line, parsed and explained from one table, kOptions: a row names an option,
// the placeholder of its value (empty for a flag), its range, the help section that lists
// it, its help text and the handler that checks the value and stores it.
//
// Adding an option: one row in kOptions (in the order --help lists it) and, unless an
// existing handler fits, one handler beside the others. A handler gets the parse state,
// its row and the value, and returns "" or the reason the value is refused (the message
// becomes "OPTION: reason"). Rows of the kCommand section are the ones that pick the batch
// front end and are shown only in the usage lines, not in an option section.
//
// Help text: "{range}" stands for the row's range as "LO ... HI", "{depths}", "{sides}" and
// "{defaults}" for the format rules of core/format.h; a "\n" continues the text on the next
// line, under the first. The Effects section sets its rows three to a line, each row as its
// name, value and range.
//
// Traps: the value of an option comes after "=" (only for "--" names) or is the next
// argument; a flag with an "=" part is refused, not read as set. An option with a value is
// given once (a second one would silently win), except the region clicks, which add up
// in order. "--" ends the options: what follows is the picture, even when it starts with
// "-". The first usage error ends the parse.
#include "cli/options.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdlib>
#include <optional>

#include "core/placement.h"
#include "core/rotation_text.h"

namespace varlen {

namespace {

enum class Section { kCommand, kPlacement, kRegions, kEffects, kFormats, kExport, kCheck };

struct SectionText {
    Section section;
    std::string_view title;
};
constexpr SectionText kSections[] = {
    {Section::kPlacement, "Placement:"},
    {Section::kRegions, "Transparent regions (in the order given, on the placed square picture):"},
    {Section::kEffects, "Effects:"},
    {Section::kFormats, "Formats:"},
    {Section::kExport, "Export:"},
    {Section::kCheck, "Checking:"},
};

// Everything a parse gathers besides the options themselves.
struct ParseState {
    BatchOptions& o;
    std::optional<BatchMode> work;  // --create, --export or --check
    bool wantHelp = false;
    bool wantVersion = false;
    bool haveFormat = false;
    bool haveHotspot = false;
    bool haveFormats = false;  // --formats
    bool havePreset = false;   // --preset
};

struct Option;
using Handler = std::string (*)(ParseState& state, const Option& row, std::string_view value);

struct Option {
    std::string_view name;
    std::string_view value;  // placeholder of the value; empty: a flag, takes none
    std::optional<ValueRange> range;
    Section section;
    std::string_view help;
    Handler handler;
};

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
    return RgbToColorRef(value);
}

// "4, 8, 24" + last + "32": the usable depths.
std::string DepthList(std::string_view last) {
    std::string out;
    for (std::size_t i = 0; i < kFormatDepths.size(); ++i) {
        if (i > 0) {
            out += i + 1 == kFormatDepths.size() ? last : ", ";
        }
        out += std::to_string(kFormatDepths[i]);
    }
    return out;
}

std::string FormatRule() {
    return "expects BITS:WxH with BITS " + DepthList(" or ") + " and sides " +
           std::to_string(kMinFormatSide) + " to " + std::to_string(kMaxFormatSide);
}

std::string RangeWords(ValueRange r) {
    return "from " + std::to_string(r.lo) + " to " + std::to_string(r.hi);
}

// --- Handlers -------------------------------------------------------------------------

std::string Work(ParseState& s, const Option&, std::string_view v) {
    if (s.work == BatchMode::kCheck) {
        return "cannot be combined with --check";
    }
    s.o.output = std::string(v);
    return v.empty() ? "needs an output file name" : "";
}

std::string Check(ParseState& s, const Option&, std::string_view) {
    if (s.work && *s.work != BatchMode::kCheck) {
        return "cannot be combined with --create or --export";
    }
    s.work = BatchMode::kCheck;
    return "";
}

template <bool BatchOptions::*Member, bool Value>
std::string Flag(ParseState& s, const Option&, std::string_view) {
    s.o.*Member = Value;
    return "";
}

template <bool EffectSettings::*Member>
std::string EffectFlag(ParseState& s, const Option&, std::string_view) {
    s.o.effects.*Member = true;
    return "";
}

std::string Number(std::string_view v, const Option& row, int& target) {
    const auto n = ParseInt(v);
    if (!n || !row.range->Contains(*n)) {
        return "expects a whole number " + RangeWords(*row.range);
    }
    target = *n;
    return "";
}

// The point of v, each half in the row's range, or the reason.
std::string RangedPoint(std::string_view v, const Option& row, Point& target) {
    const auto p = ParsePoint(v);
    if (!p || !row.range->Contains(p->x) || !row.range->Contains(p->y)) {
        return "expects a point X,Y with each " + RangeWords(*row.range);
    }
    target = *p;
    return "";
}

template <bool ClosedRegion>
std::string Clear(ParseState& s, const Option&, std::string_view v) {
    const auto p = ParsePoint(v);
    if (!p) {
        return "expects a point X,Y";
    }
    s.o.clears.push_back(ClearStep{ClosedRegion, *p});
    return "";
}

std::string Rotate(ParseState& s, const Option& row, std::string_view v) {
    const std::string rule = "expects degrees such as 90 or -12.5, " + RangeWords(*row.range);
    if (v.empty() || !IsValidRotationText(v) || v == "-" || v == "+" || v == ".") {
        return rule;
    }
    // Thousandths; a text beyond the int range saturates, which the range refuses too.
    const int value = RotationTextValue(v);
    if (value < row.range->lo * 1000 || value > row.range->hi * 1000) {
        return rule;
    }
    s.o.rotation = NormalizeRotation(value);
    return "";
}

std::string Square(ParseState& s, const Option&, std::string_view v) {
    const auto r = ParseSquare(v);
    if (!r) {
        return "expects X,Y,SIDE with SIDE from 1 to " + std::to_string(kMaxPlacedSide);
    }
    s.o.square = *r;
    return "";
}

std::string Background(ParseState& s, const Option&, std::string_view v) {
    const auto c = ParseHexColour(v);
    if (!c) {
        return "expects a colour as RRGGBB, e.g. ff8000";
    }
    s.o.background = *c;
    return "";
}

std::string Formats(ParseState& s, const Option&, std::string_view v) {
    if (s.havePreset) {
        return "cannot be combined with --preset";
    }
    s.haveFormats = true;
    std::vector<FORMAT> list;
    std::string why;
    while (why.empty()) {
        const std::size_t comma = v.find(',');
        const std::string_view item = v.substr(0, comma);
        if (auto parsed = ParseFormat(item)) {
            list.push_back(*parsed);
        } else {
            why = "bad format '" + std::string(item) + "': " + FormatRule();
        }
        if (comma == std::string_view::npos) {
            break;
        }
        v = v.substr(comma + 1);
    }
    s.o.formats = std::move(list);
    return why;
}

std::string Preset(ParseState& s, const Option&, std::string_view v) {
    if (s.haveFormats) {
        return "cannot be combined with --formats";
    }
    const FormatPreset* preset = FindFormatPreset(v);
    if (preset == nullptr) {
        return "expects win11, classic, favicon or light";
    }
    s.o.formats.assign(preset->formats.begin(), preset->formats.end());
    s.havePreset = true;
    return "";
}

std::string SizePicture(ParseState& s, const Option&, std::string_view v) {
    const auto parsed = ParseSizePicture(v);
    if (!parsed) {
        return "expects WxH=FILE with sides " + std::to_string(kMinFormatSide) + " to " +
               std::to_string(kMaxFormatSide);
    }
    const bool twice = std::any_of(
        s.o.sizePictures.begin(), s.o.sizePictures.end(), [&](const SizePictureOption& p) {
            return p.width == parsed->width && p.height == parsed->height;
        });
    if (twice) {
        return "the size " + std::to_string(parsed->width) + "x" + std::to_string(parsed->height) +
               " is given twice";
    }
    s.o.sizePictures.push_back(*parsed);
    return "";
}

std::string ExportFormat(ParseState& s, const Option&, std::string_view v) {
    const auto parsed = ParseFormat(v);
    if (!parsed) {
        return FormatRule();
    }
    s.o.exportFormat = *parsed;
    s.haveFormat = true;
    return "";
}

std::string Hotspot(ParseState& s, const Option& row, std::string_view v) {
    std::string why = RangedPoint(v, row, s.o.hotspot);
    s.haveHotspot = s.haveHotspot || why.empty();
    return why;
}

template <int BatchOptions::*Member>
std::string Int(ParseState& s, const Option& row, std::string_view v) {
    return Number(v, row, s.o.*Member);
}

template <int EffectSettings::*Member>
std::string EffectInt(ParseState& s, const Option& row, std::string_view v) {
    return Number(v, row, s.o.effects.*Member);
}

template <Point EffectSettings::*Member>
std::string EffectPoint(ParseState& s, const Option& row, std::string_view v) {
    return RangedPoint(v, row, s.o.effects.*Member);
}

std::string Help(ParseState& s, const Option&, std::string_view) {
    s.wantHelp = true;
    return "";
}

std::string Version(ParseState& s, const Option&, std::string_view) {
    s.wantVersion = true;
    return "";
}

// The options in the order --help lists them.
const Option kOptions[] = {
    {"--help", "", {}, Section::kCommand, "", Help},
    {"-h", "", {}, Section::kCommand, "", Help},
    {"--version", "", {}, Section::kCommand, "", Version},
    {"--create", "OUTPUT", {}, Section::kCommand, "", Work},
    {"--export", "OUTPUT", {}, Section::kCommand, "", Work},

    {"--no-margin",
     "",
     {},
     Section::kPlacement,
     "fill the square (crop) instead of fitting the picture in it",
     Flag<&BatchOptions::noMargin, true>},
    {"--square",
     "X,Y,SIDE",
     {},
     Section::kPlacement,
     "cut this square out instead, its top-left corner at picture\n"
     "pixel X,Y (may lie outside the picture); overrides --no-margin",
     Square},
    {"--rotate", "DEG", ValueRange{-360, 360}, Section::kPlacement,
     "rotate clockwise, degrees with up to three decimals,\n{range}", Rotate},
    {"--mirror",
     "",
     {},
     Section::kPlacement,
     "mirror left-right",
     Flag<&BatchOptions::mirror, true>},
    {"--background",
     "RRGGBB",
     {},
     Section::kPlacement,
     "lay the picture on this colour",
     Background},

    {"--clear-color",
     "X,Y",
     {},
     Section::kRegions,
     "clear every pixel of the colour found at X,Y",
     Clear<false>},
    {"--clear-region",
     "X,Y",
     {},
     Section::kRegions,
     "clear the connected region around X,Y",
     Clear<true>},
    {"--tolerance", "N", kToleranceRange, Section::kRegions,
     "colour tolerance, {range} (default 0)", Int<&BatchOptions::tolerance>},
    {"--expand", "N", kExpandRange, Section::kRegions,
     "widen each cleared region by N pixels, {range} (default 0)", Int<&BatchOptions::expand>},

    {"--brightness", "N", kBrightnessRange, Section::kEffects, "",
     EffectInt<&EffectSettings::brightness>},
    {"--contrast", "N", kContrastRange, Section::kEffects, "",
     EffectInt<&EffectSettings::contrast>},
    {"--sharp", "N", kSharpRange, Section::kEffects, "", EffectInt<&EffectSettings::sharp>},
    {"--light", "N", kLightRange, Section::kEffects, "", EffectInt<&EffectSettings::light>},
    {"--light-pos", "X,Y", kLightPosRange, Section::kEffects, "",
     EffectPoint<&EffectSettings::lightPos>},
    {"--no-light-4bit", "", {}, Section::kEffects, "", EffectFlag<&EffectSettings::noLight4Bit>},
    {"--transparency", "N", kTransparencyRange, Section::kEffects, "",
     EffectInt<&EffectSettings::transparent>},
    {"--shadow", "N", kShadowRange, Section::kEffects, "", EffectInt<&EffectSettings::shadow>},
    {"--shadow-pos", "X,Y", kShadowPosRange, Section::kEffects, "",
     EffectPoint<&EffectSettings::shadowPos>},
    {"--round", "N", kRoundRange, Section::kEffects, "", EffectInt<&EffectSettings::round>},
    {"--fade", "N", kFadeRange, Section::kEffects, "", EffectInt<&EffectSettings::fade>},

    {"--formats",
     "LIST",
     {},
     Section::kFormats,
     "e.g. 32:256x256,8:48x48 (depths {depths}; sides {sides});\n"
     "default: the {defaults} standard formats",
     Formats},
    {"--preset",
     "NAME",
     {},
     Section::kFormats,
     "a named list instead of --formats: win11 (the 14 sizes of\n"
     "Windows 11 app icons), classic (the 15 standard formats),\n"
     "favicon (48, 32, 16), light (32-bit 256, 48, 32, 24, 16 and\n"
     "8-bit 32, 16); all 32-bit unless stated",
     Preset},
    {"--size-picture",
     "WxH=FILE",
     {},
     Section::kFormats,
     "every format of size WxH takes its pixels from FILE instead:\n"
     "as they are when FILE is W x H, else fitted in (centred,\n"
     "margins transparent); no transparent regions or effects are\n"
     "applied to it; repeatable, once per size",
     SizePicture},
    {"--no-smoothing",
     "",
     {},
     Section::kFormats,
     "resize by nearest pixel",
     Flag<&BatchOptions::smoothing, false>},
    {"--png",
     "",
     {},
     Section::kFormats,
     "store 32-bit images of 64 x 64 and larger PNG-compressed",
     Flag<&BatchOptions::png, true>},

    {"--format", "BITS:WxH", {}, Section::kExport, "the one format to export", ExportFormat},
    {"--hotspot", "X,Y", ValueRange{0, kMaxFormatSide - 1}, Section::kExport,
     "cursor hotspot (default 0,0)", Hotspot},

    {"--check",
     "",
     {},
     Section::kCheck,
     "report each FILE's directory, images and findings (errors,\n"
     "warnings, notes) and which image Windows draws where",
     Check},
    {"--json",
     "",
     {},
     Section::kCheck,
     "print the report as one JSON document",
     Flag<&BatchOptions::json, true>},
};

// The rows that --check takes (the others make or export an icon).
bool IsCheckOption(const Option& row) {
    return row.section == Section::kCheck || row.handler == Help || row.handler == Version;
}

const Option* FindOption(std::string_view name) {
    const auto it = std::find_if(std::begin(kOptions), std::end(kOptions),
                                 [&](const Option& row) { return row.name == name; });
    return it == std::end(kOptions) ? nullptr : &*it;
}

// --- Help -----------------------------------------------------------------------------

constexpr std::string_view kUsageHead =
    R"(Usage:
  varlen [PICTURE]                      open the wizard
  varlen --create OUTPUT.ico [OPTIONS] PICTURE
  varlen --export OUTPUT.{bmp,png,gif,cur} --format BITS:WxH [--hotspot X,Y]
         [OPTIONS] PICTURE
  varlen --check [--json] FILE...       check icon and cursor files
  varlen --help | --version

Makes an icon from PICTURE as the wizard does when every control keeps its default;
the options stand for what you would change on its pages. Stored settings are not read.
PICTURE is a BMP, PNG, JPEG, GIF, WebP, TIFF, SVG, icon (.ico) or cursor (.cur) file,
told by its content, or - to read the picture from standard input.

)";

constexpr std::string_view kUsageTail = R"(
Exit status: 0 done, 1 the picture could not be read or the output not written
(--check: a file has an error or is no icon or cursor), 2 a usage error.
)";

// Where a help text starts; where each cell of an Effects line starts after the indent.
constexpr std::size_t kHelpColumn = 25;
constexpr std::array<std::size_t, 3> kCellStarts = {0, 32, 62};

std::string RangeText(ValueRange r) {
    return std::to_string(r.lo) + " ... " + std::to_string(r.hi);
}

std::string Expanded(const Option& row) {
    std::string text(row.help);
    const auto replace = [&](std::string_view key, const std::string& by) {
        for (std::size_t at = text.find(key); at != std::string::npos; at = text.find(key, at)) {
            text.replace(at, key.size(), by);
            at += by.size();
        }
    };
    if (row.range) {
        replace("{range}", RangeText(*row.range));
    }
    replace("{depths}", DepthList(", "));
    replace("{sides}", RangeText({kMinFormatSide, kMaxFormatSide}));
    replace("{defaults}", std::to_string(kDefaultFormats.size()));
    return text;
}

std::string Synopsis(const Option& row) {
    std::string text(row.name);
    if (!row.value.empty()) {
        text += " ";
        text += row.value;
    }
    return text;
}

void PadTo(std::string& line, std::size_t width) {
    line.append(line.size() < width ? width - line.size() : 1, ' ');
}

void AppendLines(std::string& out, const Option& row) {
    std::string line = "  " + Synopsis(row);
    if (line.size() >= kHelpColumn) {  // too long to share a line with its help
        out += line + "\n";
        line.clear();
    }
    PadTo(line, kHelpColumn);
    const std::string help = Expanded(row);
    for (std::size_t start = 0;;) {
        const std::size_t end = help.find('\n', start);
        line += help.substr(start, end - start);
        out += line + "\n";
        if (end == std::string::npos) {
            break;
        }
        line.assign(kHelpColumn, ' ');
        start = end + 1;
    }
}

void AppendCells(std::string& out, Section section) {
    std::string line;
    std::size_t cell = 0;
    const auto endLine = [&] {
        out += "  " + line + "\n";
        line.clear();
        cell = 0;
    };
    for (const Option& row : kOptions) {
        if (row.section != section) {
            continue;
        }
        if (cell > 0) {
            PadTo(line, kCellStarts[cell]);
        }
        line += Synopsis(row);
        if (row.range) {
            line += " (" + RangeText(*row.range) + ")";
        }
        if (++cell == kCellStarts.size()) {
            endLine();
        }
    }
    if (cell > 0) {
        endLine();
    }
}

std::string BuildUsage() {
    std::string out(kUsageHead);
    for (const SectionText& s : kSections) {
        out += s.title;
        out += "\n";
        if (s.section == Section::kEffects) {
            AppendCells(out, s.section);
            continue;
        }
        for (const Option& row : kOptions) {
            if (row.section == s.section) {
                AppendLines(out, row);
            }
        }
    }
    out += kUsageTail;
    return out;
}

}  // namespace

std::string_view UsageText() {
    static const std::string text = BuildUsage();
    return text;
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
    if (!bits || !w || !h || !IsFormatDepth(*bits) || !IsFormatSide(*w) || !IsFormatSide(*h)) {
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
    if (!w || !h || !IsFormatSide(*w) || !IsFormatSide(*h)) {
        return std::nullopt;
    }
    return SizePictureOption{*w, *h, std::string(text.substr(eq + 1))};
}

bool IsWizardSwitch(std::string_view arg) {
    constexpr std::string_view kDel = "del";
    if (arg.size() != kDel.size() + 1 || (arg.front() != '-' && arg.front() != '/')) {
        return false;
    }
    return std::equal(kDel.begin(), kDel.end(), arg.begin() + 1, [](char a, char b) {
        return a == (b >= 'A' && b <= 'Z' ? static_cast<char>(b - 'A' + 'a') : b);
    });
}

bool IsBatchInvocation(std::span<const std::string> args) {
    return std::any_of(args.begin(), args.end(), [](const std::string& a) {
        return a.size() > 1 && a.front() == '-' && !IsWizardSwitch(a);
    });
}

ParsedCommandLine ParseBatchArguments(std::span<const std::string> args) {
    ParsedCommandLine result;
    BatchOptions& o = result.options;
    ParseState state{o, std::nullopt};
    std::vector<const Option*> given;
    std::string_view firstOption;
    std::string_view firstPictureOption;  // the first option that --check does not take
    std::vector<std::string> positionals;
    bool optionsEnded = false;

    for (std::size_t i = 0; i < args.size() && result.error.empty(); ++i) {
        std::string_view arg = args[i];
        if (optionsEnded || arg == "-" || !arg.starts_with("-")) {
            positionals.emplace_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        std::optional<std::string_view> inlineValue;
        if (arg.starts_with("--")) {
            const std::size_t eq = arg.find('=');
            if (eq != std::string_view::npos) {
                inlineValue = arg.substr(eq + 1);
                arg = arg.substr(0, eq);
            }
        }
        const auto bad = [&](std::string_view why) {
            result.error = std::string(arg) + ": " + std::string(why);
        };
        const Option* row = FindOption(arg);
        if (row == nullptr) {
            bad("unknown option");
            break;
        }
        if (firstOption.empty()) {
            firstOption = row->name;
        }
        if (firstPictureOption.empty() && !IsCheckOption(*row)) {
            firstPictureOption = row->name;
        }
        if (row->value.empty() && inlineValue) {
            bad("takes no value");
            break;
        }
        const bool repeatable = row->value.empty() || row->handler == Clear<false> ||
                                row->handler == Clear<true> || row->handler == SizePicture;
        if (!repeatable && std::find(given.begin(), given.end(), row) != given.end()) {
            bad("given more than once");
            break;
        }
        given.push_back(row);
        if (row->handler == Work) {
            const BatchMode m = arg == "--create" ? BatchMode::kCreate : BatchMode::kExport;
            if (state.work && *state.work != m) {
                bad("--create and --export cannot be combined");
                break;
            }
            state.work = m;
        }
        std::string_view value;
        if (!row->value.empty()) {
            if (inlineValue) {
                value = *inlineValue;
            } else if (i + 1 < args.size()) {
                value = args[++i];
            } else {
                bad("needs a value");
                break;
            }
        }
        if (std::string why = row->handler(state, *row, value); !why.empty()) {
            bad(why);
        }
    }
    if (!result.error.empty()) {
        return result;
    }

    o.mode = state.wantHelp      ? BatchMode::kHelp
             : state.wantVersion ? BatchMode::kVersion
                                 : state.work.value_or(BatchMode::kHelp);
    if (o.json && state.work != BatchMode::kCheck && !state.wantHelp && !state.wantVersion) {
        result.error = "--json: only with --check";
        return result;
    }
    if (o.mode == BatchMode::kCheck) {
        if (!firstPictureOption.empty()) {
            result.error = std::string(firstPictureOption) + ": not with --check";
        } else if (positionals.empty()) {
            result.error = "--check: no file given";
        }
        o.checkFiles = std::move(positionals);
        return result;
    }
    if (positionals.size() > 1) {
        result.error = positionals[1] + ": only one picture can be given";
        return result;
    }
    if (!positionals.empty()) {
        o.picture = positionals.front();
    }
    if (o.mode == BatchMode::kHelp || o.mode == BatchMode::kVersion) {
        if (!state.wantHelp && !state.wantVersion && (!firstOption.empty() || optionsEnded)) {
            result.error = std::string(firstOption.empty() ? "--" : firstOption) +
                           ": needs --create or --export";
        }
        return result;
    }
    if (o.picture.empty()) {
        result.error = "PICTURE: no picture given";
    } else if (o.mode == BatchMode::kExport) {
        const auto type = ExportTypeOf(o.output);
        if (!type) {
            result.error = "--export: the output must end in .bmp, .png, .gif or .cur";
        } else if (!state.haveFormat) {
            result.error = "--export: needs --format BITS:WxH";
        } else if (*type == ExportType::kGif && o.exportFormat.wBitCount > 8) {
            result.error = "--format: a GIF file holds 4 or 8 bits per pixel";
        } else if (state.haveHotspot && *type != ExportType::kCursor) {
            result.error = "--hotspot: only a cursor (.cur) has a hotspot";
        } else if (state.haveHotspot && (o.hotspot.x >= o.exportFormat.wWidth ||
                                         o.hotspot.y >= o.exportFormat.wHeight)) {
            result.error = "--hotspot: lies outside the cursor's image";
        }
    } else if (state.haveFormat || state.haveHotspot) {
        result.error = state.haveFormat
                           ? "--format: only for --export (use --formats with --create)"
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
