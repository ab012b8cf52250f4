#include <benchmark/benchmark.h>
#include <png.h>

#include <cstdint>
#include <vector>

#include "bench_images.h"
#include "core/icon.h"
#include "io/picture_decoders.h"
#include "io/png_fast.h"

// Reading a 1024 x 1024 RGBA photo with a soft alpha, every row Paeth-filtered, as Pillow
// writes it: the fast reading, libpng's, and DecodePng (which takes the fast one). The file
// is made once, outside the timed region, with libpng's encoder.

namespace varlen {
namespace {

constexpr int kSide = 1024;

void AppendPng(png_structp png, png_bytep data, png_size_t n) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + n);
}
void NoFlush(png_structp) {}

bool WritePaeth(png_structp png, png_infop info, png_bytepp rows, std::vector<std::uint8_t>* out) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_set_write_fn(png, out, AppendPng, NoFlush);
    png_set_IHDR(png, info, kSide, kSide, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_PAETH);
    png_set_compression_level(png, 6);
    png_set_compression_buffer_size(png, 65536);  // 64 KiB IDAT chunks, as Pillow's
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    return true;
}

const std::vector<std::uint8_t>& PaethPhoto() {
    static const std::vector<std::uint8_t> file = [] {
        const auto icon = bench::SoftAlphaPhoto(kSide, kSide, 5);
        std::vector<std::uint8_t> rgba;
        for (int y = 0; y < kSide; ++y) {
            for (int x = 0; x < kSide; ++x) {
                const Pixel p = icon->Row(y)[x];
                rgba.insert(
                    rgba.end(),
                    {static_cast<std::uint8_t>(Red(p)), static_cast<std::uint8_t>(Green(p)),
                     static_cast<std::uint8_t>(Blue(p)), static_cast<std::uint8_t>(Alpha(p))});
            }
        }
        std::vector<png_bytep> rows;
        for (int y = 0; y < kSide; ++y) {
            rows.push_back(rgba.data() + static_cast<std::size_t>(y) * kSide * 4);
        }
        png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        std::vector<std::uint8_t> out;
        if (!WritePaeth(png, info, rows.data(), &out)) {
            out.clear();
        }
        png_destroy_write_struct(&png, &info);
        return out;
    }();
    return file;
}

template <typename Decode>
void RunDecode(benchmark::State& state, Decode decode) {
    const auto& file = PaethPhoto();
    for (auto _ : state) {
        auto bitmap = decode(file);
        if (!bitmap) {
            state.SkipWithError("not decoded");
            break;
        }
        benchmark::DoNotOptimize(bitmap->bits.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(file.size()));
    state.counters["file_kib"] = static_cast<double>(file.size()) / 1024.0;
}

void BM_PngDecodeFast(benchmark::State& state) {
    RunDecode(state, [](const auto& f) { return DecodePngFast(f); });
}
void BM_PngDecodeFastPlainUnfilter(benchmark::State& state) {
    RunDecode(state, [](const auto& f) { return DecodePngFast(f, PngUnfilter::Plain); });
}
void BM_PngDecodeLibpng(benchmark::State& state) {
    RunDecode(state, [](const auto& f) { return DecodePngWithLibpng(f); });
}
void BM_PngDecode(benchmark::State& state) {
    RunDecode(state, [](const auto& f) { return DecodePng(f); });
}

BENCHMARK(BM_PngDecodeFast)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngDecodeFastPlainUnfilter)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngDecodeLibpng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngDecode)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace varlen
