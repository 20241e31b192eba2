// The render's steps (crop, resize, gray, colour reduction with dithering)
// on a 12-megapixel photo, here and through ImageMagick's command line on
// the same input, with medians and their ratio. ImageMagick reads its own
// memory-mapped pixel cache, so its figure is the steps plus starting up;
// the start-up alone (read, crop to one pixel, write nothing) is printed
// too and taken off for the second ratio.
//
//   bench_imaging_magick [runs]        (HANDFOLIO_MAGICK=magick for ImageMagick 7)
//   HANDFOLIO_BENCH_PHOTO=photo.jpg bench_imaging_magick
#include "BenchPictures.h"
#include "BenchRuns.h"
#include "ImageIO.h"
#include "Render.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace hf;

namespace {

using bench::Clock;
using bench::median;
using bench::timed;

bool writePpm(const LBitmap& picture, const fs::path& path)
{
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(path.c_str(), "wb"), std::fclose);
    if (!f)
        return false;
    std::fprintf(f.get(), "P6\n%d %d\n255\n", picture.GetWidth(), picture.GetHeight());
    for (int y = 0; y < picture.GetHeight(); ++y)
        if (std::fwrite(picture.row(y), 1, picture.rowBytes(), f.get()) != picture.rowBytes())
            return false;
    return true;
}

LBitmap paletteStrip(const std::vector<Rgb>& colours)
{
    LBitmap strip = LBitmap::rgb(int(colours.size()), 1);
    for (std::size_t i = 0; i < colours.size(); ++i)
        strip.setColour(int(i), 0, colours[i]);
    return strip;
}

}  // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    const char* magickEnv = std::getenv("HANDFOLIO_MAGICK");
    const std::string magick = magickEnv && *magickEnv ? magickEnv : "convert";

    LBitmap source;
    if (const char* path = std::getenv("HANDFOLIO_BENCH_PHOTO"))
        source = loadBitmap(path);
    if (!source.IsAllocated() || !source.Size(4000, 3000))
        source = bench::syntheticPhoto(4000, 3000);

    const fs::path scratch = fs::temp_directory_path() / ("handfolio-magick-" + std::to_string(::getpid()));
    fs::create_directories(scratch);
    const fs::path ppm = scratch / "source.ppm";
    const fs::path mpc = scratch / "source.mpc";
    if (!writePpm(source, ppm) || !writePpm(paletteStrip(fourGrayPalette()), scratch / "four.ppm") ||
        !writePpm(paletteStrip(sixteenGrayPalette()), scratch / "sixteen.ppm") ||
        timed({magick, ppm.string(), mpc.string()}) < 0) {
        std::fprintf(stderr, "Could not prepare the input, or %s is not ImageMagick's convert.\n", magick.c_str());
        fs::remove_all(scratch);
        return 1;
    }

    const SourceLayout layout = layoutSourceView(source, 240, 240);
    const auto g = renderGeometry(layout, layout.firstFrame, source.GetWidth(), source.GetHeight());
    const std::string crop = std::to_string(g->clipped.width()) + "x" + std::to_string(g->clipped.height()) + "+" +
                             std::to_string(g->clipped.left) + "+" + std::to_string(g->clipped.top);
    const std::string size = std::to_string(g->width) + "x" + std::to_string(g->height) + "!";
    const std::string out = "BMP3:" + (scratch / "out.bmp").string();

    std::vector<double> startUp;
    startUp.reserve(std::size_t(runs));
    for (int i = 0; i < runs; ++i)
        startUp.push_back(timed({magick, mpc.string(), "-crop", "1x1+0+0", "null:"}));
    const double base = median(startUp);

    struct Mode {
        const char* name;
        int mode;
        std::vector<std::string> steps;
    };
    const std::vector<Mode> modes{
        {"4 grays",
         kFourGrays,
         {"-colorspace", "Gray", "-dither", "FloydSteinberg", "-remap", (scratch / "four.ppm").string()}},
        {"16 grays",
         kSixteenGrays,
         {"-colorspace", "Gray", "-dither", "FloydSteinberg", "-remap", (scratch / "sixteen.ppm").string()}},
        {"colour", kColour, {"-dither", "FloydSteinberg", "-colors", "256"}},
    };

    std::printf("Crop %s of a %d x %d photo, sampled to %d x %d; medians of %d runs.\n", crop.c_str(),
                source.GetWidth(), source.GetHeight(), g->width, g->height, runs);
    std::printf("ImageMagick start-up and read alone: %.1f ms\n\n", base);
    std::printf("%-9s %10s %14s %14s %10s %12s\n", "mode", "ours (ms)", "ImageMagick", "IM steps only", "ratio",
                "steps ratio");
    for (const Mode& m : modes) {
        Renderer renderer;
        std::vector<double> ours;
        for (int i = 0; i < std::max(runs, 30); ++i) {
            const Clock::time_point start = Clock::now();
            renderer.render(source, layout, layout.firstFrame, m.mode, 0, 240, 240);
            ours.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        }
        std::vector<std::string> command{magick, mpc.string(), "-crop", crop, "+repage", "-sample", size};
        command.insert(command.end(), m.steps.begin(), m.steps.end());
        command.push_back(out);
        std::vector<double> theirs;
        theirs.reserve(std::size_t(runs));
        for (int i = 0; i < runs; ++i)
            theirs.push_back(timed(command));
        const double o = median(ours), t = median(theirs);
        if (t < 0) {
            std::printf("%-9s %10.3f   ImageMagick failed\n", m.name, o);
            continue;
        }
        std::printf("%-9s %10.3f %14.1f %14.1f %9.0fx %11.0fx\n", m.name, o, t, t - base, t / o, (t - base) / o);
    }

    // The colour reduction alone, on the cut and sampled picture: the part
    // of the work that does not shrink with the photo.
    const LBitmap content = LBitmap::sampledFrom(source, g->clipped, g->width, g->height);
    const fs::path small = scratch / "content.ppm";
    writePpm(content, small);
    std::vector<double> smallStart;
    smallStart.reserve(std::size_t(runs));
    for (int i = 0; i < runs; ++i)
        smallStart.push_back(timed({magick, small.string(), "null:"}));
    const double smallBase = median(smallStart);
    std::printf("\nThe reduction alone on the %d x %d picture (ImageMagick start-up and read: %.1f ms):\n", g->width,
                g->height, smallBase);
    std::printf("%-9s %10s %14s %14s %10s\n", "mode", "ours (ms)", "ImageMagick", "IM steps only", "ratio");
    for (const Mode& m : modes) {
        std::vector<double> ours;
        for (int i = 0; i < std::max(runs, 30); ++i) {
            LBitmap picture = content;
            const Clock::time_point start = Clock::now();
            toneAndReduce(picture, m.mode, 0);
            ours.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        }
        std::vector<std::string> command{magick, small.string()};
        command.insert(command.end(), m.steps.begin(), m.steps.end());
        command.push_back(out);
        std::vector<double> theirs;
        theirs.reserve(std::size_t(runs));
        for (int i = 0; i < runs; ++i)
            theirs.push_back(timed(command));
        const double o = median(ours), t = median(theirs);
        if (t < 0) {
            std::printf("%-9s %10.3f   ImageMagick failed\n", m.name, o);
            continue;
        }
        std::printf("%-9s %10.3f %14.1f %14.1f %9.0fx\n", m.name, o, t, t - smallBase, (t - smallBase) / o);
    }
    fs::remove_all(scratch);
    return 0;
}
