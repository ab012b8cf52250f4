// The format build pipeline and the view preview.
//
// Contract: every format image is exactly what this sequence gives on its own:
//   s = clone of the working image; below 32 bits ThresholdAlpha(s); when the format is
//   smaller in either direction, the effects on s; v = s resized to the format (a new image
//   of the format's depth); when the format is at least as large in both directions, the
//   effects on v; Sharpen(v); at 8 bits or less MakePalette(v).
// BuildFormatIcons gets the same images with less work:
// - The resized pixels depend only on the image that is resized and the size, never on the
//   format's depth (the depth only chooses the palette made afterwards). So formats whose
//   images before the resize are the same share one resize per size: the image before the
//   resize is fixed by "thresholded or not" and "effects before the resize or not, and with
//   which light" (4-bit formats may have no light).
// - ThresholdAlpha changes nothing when every alpha is 0 or 255; then thresholded and plain
//   formats share their resizes.
// - The working image is not cloned at all when nothing changes it before the resize: the
//   resize reads it directly. Only one prepared clone exists at a time, so a large picture
//   costs at most one extra copy.
// - The resizes of one kind run side by side (those that read the working image directly
//   beside the first prepared clone's), each spreading its rows over the workers, and the
//   per-format finishing (effects after an enlarging resize, sharpen, palette) runs one
//   format per task. Each task writes only its own image, so the thread count changes
//   nothing in the results.
#include "core/pipeline.h"

#include <algorithm>
#include <optional>

#include "core/workers.h"

namespace varlen {

namespace {

// The light that the effects use for a format of depth bpp.
int LightFor(int bpp, const EffectSettings& e) {
    return (bpp == 4 && e.noLight4Bit) ? 0 : e.light;
}

// True when the effects with this light change anything at all.
bool EffectsChange(int light, const EffectSettings& e) {
    return e.brightness != 0 || e.contrast != 0 || light != 0 || e.transparent != 0 ||
           e.shadow != 0 || e.round != 0 || e.fade != 0;
}

void ApplyEffects(Workers& workers, CIcon& icon, int light, const EffectSettings& e) {
    icon.ApplyFilters(e.brightness, e.contrast, light, e.lightPos, e.transparent, e.shadow,
                      e.shadowPos, &workers);
    icon.RoundCorners(e.round, e.fade, &workers);
}

// True when ThresholdAlpha would change some pixel of icon.
bool ThresholdChanges(const CIcon& icon) {
    return std::any_of(icon.Pixels().begin(), icon.Pixels().end(), [](Pixel p) {
        const int a = Alpha(p);
        return a != 0 && a != 255;
    });
}

// What a format's image is before its resize.
struct Prepared {
    bool threshold = false;
    std::optional<int> effectsLight;  // effects before the resize, with this light
    friend bool operator==(const Prepared&, const Prepared&) = default;
};

// The image a kind's resizes read: a copy of the working image, thresholded and with the
// effects before the resize as the kind asks.
std::unique_ptr<CIcon> PreparedClone(const CIcon& working, const Prepared& kind,
                                     const EffectSettings& effects, Workers& workers) {
    auto clone = CloneIcon(&working);
    if (kind.threshold) {
        clone->ThresholdAlpha(&workers);
    }
    if (kind.effectsLight) {
        ApplyEffects(workers, *clone, *kind.effectsLight, effects);
    }
    return clone;
}

}  // namespace

std::vector<std::unique_ptr<CIcon>> BuildFormatIcons(
    const CIcon& working, std::span<const FormatRequest> formats, bool smoothing,
    const EffectSettings& effects, Workers& workers,
    const std::function<void(std::size_t)>& finished, const SizePictures* pictures) {
    if (pictures != nullptr && !pictures->Empty()) {
        // The formats of sizes with their own picture are built from it, one per task; the
        // others as if those formats were not in the list (each image stands on its own).
        std::vector<FormatRequest> rest;
        std::vector<std::size_t> restAt;
        std::vector<std::size_t> ownAt;
        for (std::size_t i = 0; i < formats.size(); ++i) {
            if (pictures->Find(formats[i].width, formats[i].height) != nullptr) {
                ownAt.push_back(i);
            } else {
                rest.push_back(formats[i]);
                restAt.push_back(i);
            }
        }
        std::vector<std::unique_ptr<CIcon>> result(formats.size());
        std::function<void(std::size_t)> restFinished;
        if (finished) {
            restFinished = [&](std::size_t k) { finished(restAt[k]); };
        }
        auto built =
            BuildFormatIcons(working, rest, smoothing, effects, workers, restFinished, nullptr);
        for (std::size_t k = 0; k < built.size(); ++k) {
            result[restAt[k]] = std::move(built[k]);
        }
        workers.For(ownAt.size(), [&](std::size_t k) {
            const FormatRequest& f = formats[ownAt[k]];
            result[ownAt[k]] = BuildSizePictureIcon(*pictures->Find(f.width, f.height), f.width,
                                                    f.height, f.bpp, smoothing);
            if (finished) {
                finished(ownAt[k]);
            }
        });
        return result;
    }
    const std::size_t n = formats.size();
    std::vector<std::unique_ptr<CIcon>> result(n);
    const bool anyBelow32 = std::any_of(formats.begin(), formats.end(),
                                        [](const FormatRequest& f) { return f.bpp != 32; });
    const bool thresholdChanges = anyBelow32 && ThresholdChanges(working);

    std::vector<Prepared> prepared(n);
    std::vector<bool> valid(n);
    for (std::size_t i = 0; i < n; ++i) {
        const FormatRequest& f = formats[i];
        // CreateIcon decides which sizes and depths exist.
        valid[i] = CreateIcon(1, 1, f.bpp) != nullptr && f.width >= 1 && f.height >= 1 &&
                   f.width <= CIcon::kMaxSide && f.height <= CIcon::kMaxSide;
        const bool shrinking = f.width < working.Width() || f.height < working.Height();
        const int light = LightFor(f.bpp, effects);
        prepared[i].threshold = f.bpp != 32 && thresholdChanges;
        if (shrinking && EffectsChange(light, effects)) {
            prepared[i].effectsLight = light;
        }
    }

    // The kinds of prepared image, in the order the formats first need them, with their
    // members.
    std::vector<Prepared> kinds;
    std::vector<std::vector<std::size_t>> membersOf;
    for (std::size_t i = 0; i < n; ++i) {
        if (!valid[i]) {
            continue;
        }
        const auto at = std::find(kinds.begin(), kinds.end(), prepared[i]);
        if (at == kinds.end()) {
            kinds.push_back(prepared[i]);
            membersOf.push_back({i});
        } else {
            membersOf[static_cast<std::size_t>(at - kinds.begin())].push_back(i);
        }
    }
    // Rounds of resizes: every kind that needs a prepared clone has a round of its own, one
    // clone at a time; the kind that reads the working image directly joins the first round,
    // so that its resizes and the first clone's run side by side.
    std::vector<std::vector<std::size_t>> rounds;
    for (std::size_t k = 0; k < kinds.size(); ++k) {
        if (!(kinds[k] == Prepared{})) {
            rounds.push_back({k});
        }
    }
    if (const auto direct = std::find(kinds.begin(), kinds.end(), Prepared{});
        direct != kinds.end()) {
        const auto d = static_cast<std::size_t>(direct - kinds.begin());
        if (rounds.empty()) {
            rounds.push_back({d});
        } else {
            rounds.front().push_back(d);
        }
    }
    for (const std::vector<std::size_t>& round : rounds) {
        std::unique_ptr<CIcon> clone;
        if (!(kinds[round.front()] == Prepared{})) {
            clone = PreparedClone(working, kinds[round.front()], effects, workers);
        }
        // One resize per distinct size and kind, shared by the members of that size.
        struct Resize {
            const CIcon* source;
            int width, height;
            std::unique_ptr<CIcon> image;
        };
        std::vector<Resize> resizes;
        std::vector<std::pair<std::size_t, std::size_t>> memberResize;  // format, resize
        for (const std::size_t kind : round) {
            const CIcon* source = kinds[kind] == Prepared{} ? &working : clone.get();
            const std::size_t firstResize = resizes.size();
            for (const std::size_t i : membersOf[kind]) {
                const FormatRequest& f = formats[i];
                std::size_t r = firstResize;
                while (r < resizes.size() &&
                       (resizes[r].width != f.width || resizes[r].height != f.height)) {
                    ++r;
                }
                if (r == resizes.size()) {
                    resizes.push_back({source, f.width, f.height, nullptr});
                }
                memberResize.emplace_back(i, r);
            }
        }
        workers.For(resizes.size(), [&](std::size_t r) {
            Resize& job = resizes[r];
            auto v = CreateIcon(job.width, job.height, 32);
            v->Render(*job.source, nullptr, nullptr, false, 0.0, smoothing, &workers);
            job.image = std::move(v);
        });
        for (const auto& [i, r] : memberResize) {
            const FormatRequest& f = formats[i];
            const CIcon& image = *resizes[r].image;
            result[i] = CreateIcon(f.width, f.height, f.bpp);
            std::copy(image.Pixels().begin(), image.Pixels().end(), result[i]->Pixels().begin());
        }
    }

    // Finishing, one format per task.
    workers.For(n, [&](std::size_t i) {
        CIcon* v = result[i].get();
        if (v == nullptr) {
            if (finished) {
                finished(i);
            }
            return;
        }
        const FormatRequest& f = formats[i];
        const bool shrinking = f.width < working.Width() || f.height < working.Height();
        if (!shrinking) {
            ApplyEffects(workers, *v, LightFor(f.bpp, effects), effects);
        }
        v->Sharpen(effects.sharp, &workers);
        if (f.bpp <= 8) {
            v->MakePalette();
        }
        if (finished) {
            finished(i);
        }
    });
    return result;
}

std::unique_ptr<CIcon> BuildFormatIcon(const CIcon& working, int width, int height, int bpp,
                                       bool smoothing, const EffectSettings& effects,
                                       const SizePictures* pictures) {
    Workers serial(1);
    const FormatRequest request{width, height, bpp};
    return std::move(BuildFormatIcons(working, std::span(&request, 1), smoothing, effects, serial,
                                      nullptr, pictures)
                         .front());
}

std::unique_ptr<CIcon> ViewSizedCopy(const CIcon& working, Workers& workers) {
    const int longer = std::max(working.Width(), working.Height());
    if (longer <= kViewPreviewSide) {
        return CloneIcon(&working);
    }
    const auto scaled = [&](int side) {
        return static_cast<int>(
            std::max<long long>(1, static_cast<long long>(side) * kViewPreviewSide / longer));
    };
    auto copy = CreateIcon(scaled(working.Width()), scaled(working.Height()), 32);
    copy->Render(working, nullptr, nullptr, false, 0, false, &workers);
    return copy;
}

std::unique_ptr<CIcon> BuildViewPreview(const CIcon& working, const EffectSettings& effects,
                                        Workers& workers) {
    auto preview = ViewSizedCopy(working, workers);
    preview->ApplyFilters(effects.brightness, effects.contrast, effects.light, effects.lightPos,
                          effects.transparent, effects.shadow, effects.shadowPos, &workers);
    preview->Sharpen(effects.sharp, &workers);
    preview->RoundCorners(effects.round, effects.fade, &workers);
    return preview;
}

std::unique_ptr<CIcon> BuildViewPreview(const CIcon& working, const EffectSettings& effects) {
    Workers serial(1);
    return BuildViewPreview(working, effects, serial);
}

}  // namespace varlen
