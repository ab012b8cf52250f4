// The command line of the batch front end: what the user would have chosen in the wizard,
// given as options. Parsing only; nothing is loaded or written here.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/effects.h"
#include "core/format.h"
#include "core/icon.h"
#include "io/export.h"

namespace varlen {

enum class BatchMode { kCreate, kExport, kCheck, kHelp, kVersion };

// A transparent-region click on the placed picture, in the order given.
struct ClearStep {
    bool closedRegion = false;  // --clear-region (connected) or --clear-color (everywhere)
    Point at;
    friend bool operator==(const ClearStep&, const ClearStep&) = default;
};

// --size-picture WxH=FILE: the formats of that size take their pixels from FILE.
struct SizePictureOption {
    int width = 0;
    int height = 0;
    std::string file;
    friend bool operator==(const SizePictureOption&, const SizePictureOption&) = default;
};

struct BatchOptions {
    BatchMode mode = BatchMode::kHelp;
    std::string output;
    std::string picture;

    bool noMargin = false;
    // The square cut out of the picture, in picture pixels (--square); the centred square
    // when absent. It may reach past the picture: that area becomes transparent.
    std::optional<Rect> square;
    bool mirror = false;
    int rotation = 0;  // thousandths of a degree, 0 ... 359999
    std::optional<ColorRef> background;

    std::vector<ClearStep> clears;
    int tolerance = 0;
    int expand = 0;

    EffectSettings effects;

    std::vector<FORMAT> formats{kDefaultFormats.begin(), kDefaultFormats.end()};
    bool smoothing = true;
    bool png = false;
    std::vector<SizePictureOption> sizePictures;  // in the order given, one per size

    FORMAT exportFormat{1, 32, 32, 32, 0};  // --format, for --export
    Point hotspot;                          // --hotspot, for a cursor

    std::vector<std::string> checkFiles;  // --check FILE...
    bool json = false;                    // --json, for --check
};

struct ParsedCommandLine {
    BatchOptions options;
    std::string error;  // not empty: a usage error, one line naming the bad option
};

// args excludes the program name.
ParsedCommandLine ParseBatchArguments(std::span<const std::string> args);

// True when args are for the batch front end rather than the wizard: when any of them
// starts with "-" (a lone "-" aside) and is not the wizard's switch (IsWizardSwitch). So
// a mistyped option is a usage error of the batch front end, never a wizard.
bool IsBatchInvocation(std::span<const std::string> args);

// "/del" or "-del" in any case: the wizard's switch to delete the stored settings.
bool IsWizardSwitch(std::string_view arg);

// "BITS:WxH" with BITS 4, 8, 24 or 32 and sides 1 ... 512.
std::optional<FORMAT> ParseFormat(std::string_view text);

// "WxH=FILE" with sides of a format (core/format.h) and FILE not empty.
std::optional<SizePictureOption> ParseSizePicture(std::string_view text);

std::string_view UsageText();

}  // namespace varlen
