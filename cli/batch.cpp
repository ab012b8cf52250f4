// The batch run: load the picture, place it, clear the regions, then build every format and
// write the icon, or build one format and export it, reporting each failure on err.
#include "cli/batch.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "cli/check.h"
#include "cli/terminal.h"
#include "core/pipeline.h"
#include "core/placement.h"
#include "core/size_pictures.h"
#include "core/version.h"
#include "io/export.h"
#include "io/icons.h"
#include "io/loaders.h"
#include "io/picture_input.h"
#include "io/write_error.h"

namespace varlen {

namespace {

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

bool WriteExport(const CIcon& icon, const BatchOptions& o, WriteError& why) {
    return SaveExport(icon, *ExportTypeOf(o.output), std::filesystem::path(o.output), o.hotspot.x,
                      o.hotspot.y, &why);
}

// name: the output as printed, quoted and escaped.
int CannotWrite(std::ostream& err, const std::string& name, const WriteError& why) {
    err << "varlen: cannot write " << name << ": " << DescribeWriteError(why) << "\n";
    return kExitFailed;
}

// Why a picture could not be read, in words, for the one line that reports it.
std::string FailureReason(const PictureFailureInfo& e) {
    const std::string limit =
        std::to_string(kMaxPictureSide) + " x " + std::to_string(kMaxPictureSide) + " pixels";
    switch (e.failure) {
        case PictureFailure::kSystem:
            return std::strerror(e.systemError);
        case PictureFailure::kFileTooLarge:
            return "it holds more than " + std::to_string(kMaxPictureFileBytes) +
                   " bytes, the most a picture may hold";
        case PictureFailure::kEmpty:
            return "it is empty";
        case PictureFailure::kNotAPicture:
            return "it is not a picture (BMP, PNG, JPEG, GIF, WebP, TIFF, SVG, ICO or CUR)";
        case PictureFailure::kTooManyPixels:
            return "its " + e.kind + " picture of " + std::to_string(e.claimedWidth) + " x " +
                   std::to_string(e.claimedHeight) + " pixels is larger than " + limit;
        case PictureFailure::kUndecodable:
            if (e.kind == "SVG") {
                // Drawn by a limited child process: a refusal, a crash and a limit look alike.
                return "its SVG document is damaged, uses a feature that is not read, or could "
                       "not be drawn within the limits of time and memory";
            }
            return "its " + e.kind +
                   " data is damaged, cut short or uses a feature that is not read" +
                   (e.sizeKnown ? std::string() : ", or its picture is larger than " + limit);
        case PictureFailure::kNone:
            break;
    }
    return "unknown failure";
}

// The picture named on the command line, or standard input's for "-"; null after a message.
std::unique_ptr<CIcon> LoadPicture(const std::string& name, std::istream& in, std::ostream& err) {
    PictureRead read;
    if (name != "-") {
        read = ReadPictureFile(std::filesystem::path(name));
    } else {
        const ReadProcedure procedure = [&in](std::uint8_t* dst, std::size_t n) -> std::ptrdiff_t {
            in.read(reinterpret_cast<char*>(dst), static_cast<std::streamsize>(n));
            if (in.bad()) {
                errno = EIO;
                return -1;
            }
            return static_cast<std::ptrdiff_t>(in.gcount());
        };
        PictureInput input = ReadPictureInput(procedure, std::nullopt, kMaxPictureFileBytes);
        if (input.error.failure != PictureFailure::kNone) {
            read.error = input.error;
        } else {
            read = DecodePictureData(input.bytes);
        }
    }
    if (!read.icon) {
        err << "varlen: cannot read "
            << (name == "-" ? std::string("standard input") : "'" + EscapedName(name) + "'") << ": "
            << FailureReason(read.error) << "\n";
    }
    return std::move(read.icon);
}

}  // namespace

int RunBatch(const BatchOptions& o, std::ostream& out, std::ostream& err, bool progress) {
    return RunBatch(o, std::cin, out, err, progress);
}

namespace {

// The most format pixels built ahead of writing: formats are built and written in batches
// of about this many pixels (or the placed square's count, when larger), so a long format
// list costs the memory of one batch and not of the whole icon.
constexpr std::size_t kFormatBatchPixels = std::size_t{16} << 20;

std::vector<FormatRequest> Requests(const BatchOptions& o) {
    std::vector<FormatRequest> requests;
    if (o.mode == BatchMode::kExport) {
        const FORMAT& f = o.exportFormat;
        requests.push_back({f.wWidth, f.wHeight, f.wBitCount});
    } else {
        for (const FORMAT& f : o.formats) {
            requests.push_back({f.wWidth, f.wHeight, f.wBitCount});
        }
    }
    return requests;
}

// The work of RunBatch after help and version; stage names what is being done, for the
// message when memory runs out.
int RunWork(const BatchOptions& o, std::istream& in, std::ostream& err, bool progress,
            std::string& stage) {
    Workers workers(ThreadCount(std::getenv("VARLEN_THREADS")));
    stage = o.picture == "-" ? std::string("reading standard input")
                             : "reading '" + EscapedName(o.picture) + "'";
    auto picture = LoadPicture(o.picture, in, err);
    if (!picture) {
        return kExitFailed;
    }
    const int maxSide = MaxPlacedSide(picture->Width(), picture->Height());
    if (o.square && o.square->Width() > maxSide) {
        return UsageError(err, "--square: SIDE " + std::to_string(o.square->Width()) +
                                   " is larger than the " + std::to_string(maxSide) + " x " +
                                   std::to_string(maxSide) + " this picture allows");
    }
    SizePictures sizePictures;
    for (const SizePictureOption& p : o.sizePictures) {
        auto own = LoadPicture(p.file, in, err);
        if (!own) {
            return kExitFailed;
        }
        sizePictures.Set(p.width, p.height, std::move(own), p.file);
    }
    stage = "placing the picture";
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

    const std::vector<FormatRequest> requests = Requests(o);
    if (progress) {
        ShowProgress(err, requests.size());
    }
    const std::string output = "'" + EscapedName(o.output) + "'";
    stage = "building the formats of " + output;
    WriteError why{0, WriteLimit::kNotEncodable};
    if (o.mode == BatchMode::kExport) {
        auto images = BuildFormatIcons(*placed, requests, o.smoothing, o.effects, workers, nullptr,
                                       &sizePictures);
        placed.reset();
        if (progress) {
            err << "\r" << std::string(60, ' ') << "\r" << std::flush;
        }
        stage = "writing " + output;
        if (!images.front() || !WriteExport(*images.front(), o, why)) {
            return CannotWrite(err, output, why);
        }
        return kExitOk;
    }

    const std::size_t budget = std::max(kFormatBatchPixels, placed->PixelCount());
    const IconBatchSource next = [&](std::size_t first) {
        std::size_t end = first;
        std::size_t pixels = 0;
        while (end < requests.size()) {
            const std::size_t p = static_cast<std::size_t>(std::max(requests[end].width, 0)) *
                                  static_cast<std::size_t>(std::max(requests[end].height, 0));
            if (end > first && pixels + p > budget) {
                break;
            }
            pixels += p;
            ++end;
        }
        stage = "building the formats of " + output;
        auto images = BuildFormatIcons(*placed, std::span(requests).subspan(first, end - first),
                                       o.smoothing, o.effects, workers, nullptr, &sizePictures);
        if (end == requests.size()) {
            placed.reset();  // the last batch: the square is not needed any more
        }
        stage = "writing " + output;
        return images;
    };
    const bool saved =
        SaveIconsInBatches(std::filesystem::path(o.output), requests.size(), o.png, next, &why);
    if (progress) {
        err << "\r" << std::string(60, ' ') << "\r" << std::flush;
    }
    if (!saved) {
        return CannotWrite(err, output, why);
    }
    return kExitOk;
}

}  // namespace

int RunBatch(const BatchOptions& o, std::istream& in, std::ostream& out, std::ostream& err,
             bool progress) {
    if (o.mode == BatchMode::kHelp) {
        out << UsageText();
        return kExitOk;
    }
    if (o.mode == BatchMode::kVersion) {
        out << kVersionText << "\n";
        return kExitOk;
    }
    if (o.mode == BatchMode::kCheck) {
        return RunCheck(o.checkFiles, o.json, out, err);
    }
    std::string stage = "starting";
    try {
        return RunWork(o, in, err, progress, stage);
    } catch (const std::bad_alloc&) {
        // Every buffer and the temporary output file are gone by now (RAII).
        if (progress) {
            err << "\r" << std::string(60, ' ') << "\r";
        }
        err << "varlen: not enough memory for " << stage << "\n" << std::flush;
        return kExitFailed;
    }
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
