// The batch run: load the picture, place it, clear the regions, then build every format and
// write the icon, or build one format and export it, reporting each failure on err.
#include "cli/batch.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "cli/terminal.h"
#include "core/pipeline.h"
#include "core/placement.h"
#include "core/size_pictures.h"
#include "io/export.h"
#include "io/icons.h"
#include "io/loaders.h"

namespace varlen {

namespace {

constexpr std::string_view kVersion = "Varlen Version 1.6.1";

int UsageError(std::ostream& err, std::string_view message) {
    err << "varlen: " << message << "\nTry 'varlen --help' for more information.\n";
    return kExitUsage;
}

// The placed square picture: the given square or the view's starting one, rotation,
// mirror, background. Takes the picture, whose pixels may become the placed image's; it is
// kept on failure.
std::unique_ptr<CIcon> Place(std::unique_ptr<CIcon>& picture, const BatchOptions& o,
                             Workers& workers) {
    const Rect square =
        o.square.value_or(CenteredSquare(picture->Width(), picture->Height(), o.noMargin));
    return PlacePicture(std::move(picture), square, o.mirror, o.rotation, o.background, workers);
}

// Applies the transparent-region clicks in order; false (with a usage message) when a
// point lies outside the placed picture.
bool ClearRegions(CIcon& placed, const BatchOptions& o, std::ostream& err) {
    for (const ClearStep& step : o.clears) {
        const Point p = step.at;
        if (p.x < 0 || p.y < 0 || p.x >= placed.Width() || p.y >= placed.Height()) {
            UsageError(err, std::string(step.closedRegion ? "--clear-region" : "--clear-color") +
                                ": " + std::to_string(p.x) + "," + std::to_string(p.y) +
                                " lies outside the placed picture (" +
                                std::to_string(placed.Width()) + " x " +
                                std::to_string(placed.Height()) + ")");
            return false;
        }
        if (step.closedRegion) {
            placed.ClearClosedRegion(p.x, p.y, o.tolerance, o.expand);
        } else {
            placed.ClearColorRegion(placed.GetPixel(p.x, p.y), o.tolerance, o.expand);
        }
    }
    return true;
}

void ShowProgress(std::ostream& err, std::size_t total) {
    err << "\rBuilding " << total << (total == 1 ? " format" : " formats") << "   " << std::flush;
}

bool WriteExport(const CIcon& icon, const BatchOptions& o) {
    const std::filesystem::path path(o.output);
    switch (*ExportTypeOf(o.output)) {
        case ExportType::kBmp:
            return SaveBmp(icon, path);
        case ExportType::kPng:
            return SavePng(icon, path);
        case ExportType::kGif:
            return SaveGif(icon, path);
        case ExportType::kCursor:
            return SaveCursor(icon, path, o.hotspot.x, o.hotspot.y);
    }
    return false;
}

// The picture named on the command line, or standard input's for "-"; null after a message.
std::unique_ptr<CIcon> LoadPicture(const std::string& name, std::istream& in, std::ostream& err) {
    const std::string limit =
        std::to_string(kMaxPictureSide) + " x " + std::to_string(kMaxPictureSide);
    if (name != "-") {
        auto picture = FromFile(std::filesystem::path(name));
        if (!picture) {
            err << "varlen: cannot read '" << name
                << "': it is missing, not a picture, in an unsupported format, or larger than "
                << limit << " pixels\n";
        }
        return picture;
    }
    const auto data = ReadAllInput(in, kMaxPictureFileBytes);
    if (!data) {
        err << "varlen: cannot read standard input: it failed or holds more than "
            << kMaxPictureFileBytes << " bytes\n";
        return nullptr;
    }
    auto picture = FromFileData(*data);
    if (!picture) {
        err << "varlen: cannot read the picture on standard input: it is empty, not a picture, in "
               "an unsupported format, or larger than "
            << limit << " pixels\n";
    }
    return picture;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ReadAllInput(std::istream& in, std::size_t limit) {
    constexpr std::size_t kChunk = std::size_t{1} << 20;
    std::vector<std::uint8_t> data;
    for (;;) {
        const std::size_t old = data.size();
        // One byte past the limit tells a stream of exactly limit bytes from a longer one.
        const std::size_t want = std::min(kChunk, limit - old + 1);
        data.resize(old + want);
        in.read(reinterpret_cast<char*>(data.data() + old), static_cast<std::streamsize>(want));
        const auto got = static_cast<std::size_t>(in.gcount());
        data.resize(old + got);
        if (data.size() > limit) {
            return std::nullopt;
        }
        if (got < want) {
            break;
        }
    }
    if (in.bad()) {
        return std::nullopt;
    }
    return data;
}

int RunBatch(const BatchOptions& o, std::ostream& out, std::ostream& err, bool progress) {
    return RunBatch(o, std::cin, out, err, progress);
}

int RunBatch(const BatchOptions& o, std::istream& in, std::ostream& out, std::ostream& err,
             bool progress) {
    if (o.mode == BatchMode::kHelp) {
        out << UsageText();
        return kExitOk;
    }
    if (o.mode == BatchMode::kVersion) {
        out << kVersion << "\n";
        return kExitOk;
    }

    Workers workers(ThreadCount(std::getenv("VARLEN_THREADS")));
    auto picture = LoadPicture(o.picture, in, err);
    if (!picture) {
        return kExitFailed;
    }
    SizePictures sizePictures;
    for (const SizePictureOption& p : o.sizePictures) {
        auto own = LoadPicture(p.file, in, err);
        if (!own) {
            return kExitFailed;
        }
        sizePictures.Set(p.width, p.height, std::move(own), p.file);
    }
    auto placed = Place(picture, o, workers);
    if (!placed) {
        err << "varlen: the placed square would be larger than "
            << MaxPlacedSide(picture->Width(), picture->Height()) << " x "
            << MaxPlacedSide(picture->Width(), picture->Height()) << " pixels\n";
        return kExitFailed;
    }
    picture.reset();  // only the placed square is needed from here on: less memory held
    if (!ClearRegions(*placed, o, err)) {
        return kExitUsage;
    }

    std::vector<FormatRequest> requests;
    if (o.mode == BatchMode::kExport) {
        const FORMAT& f = o.exportFormat;
        requests.push_back({f.wWidth, f.wHeight, f.wBitCount});
    } else {
        for (const FORMAT& f : o.formats) {
            requests.push_back({f.wWidth, f.wHeight, f.wBitCount});
        }
    }
    if (progress) {
        ShowProgress(err, requests.size());
    }
    auto images =
        BuildFormatIcons(*placed, requests, o.smoothing, o.effects, workers, &sizePictures);
    placed.reset();
    if (progress) {
        err << "\r" << std::string(60, ' ') << "\r" << std::flush;
    }

    if (o.mode == BatchMode::kExport) {
        if (!images.front() || !WriteExport(*images.front(), o)) {
            err << "varlen: cannot write '" << o.output << "'\n";
            return kExitFailed;
        }
        return kExitOk;
    }

    CIcons icons;
    for (auto& image : images) {
        icons.Add(std::move(image));
    }
    if (icons.GetSize() != o.formats.size() ||
        !icons.Save(std::filesystem::path(o.output), o.png)) {
        err << "varlen: cannot write '" << o.output << "'\n";
        return kExitFailed;
    }
    return kExitOk;
}

int ThreadCount(const char* setting) {
    if (setting != nullptr && *setting != '\0') {
        char* end = nullptr;
        const long n = std::strtol(setting, &end, 10);
        if (*end == '\0' && n >= 1) {
            return static_cast<int>(std::min<long>(n, 256));
        }
    }
    const unsigned hardware = std::thread::hardware_concurrency();
    return hardware == 0 ? 1 : static_cast<int>(std::min(hardware, 256u));
}

int BatchMain(std::span<const std::string> args, std::istream& in, std::ostream& out,
              std::ostream& err) {
    const ParsedCommandLine parsed = ParseBatchArguments(args);
    if (!parsed.error.empty()) {
        return UsageError(err, parsed.error);
    }
    return RunBatch(parsed.options, in, out, err, StderrIsTerminal());
}

int BatchMain(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    return BatchMain(args, std::cin, out, err);
}

}  // namespace varlen
