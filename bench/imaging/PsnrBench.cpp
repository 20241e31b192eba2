// Colour quality of the render's reductions over a folder of photos (by
// default the JPEG files of Debian's mate-backgrounds package): each photo
// is framed as the editor first frames it, cut and sampled to 160 pixels,
// and every reduction is compared with the unreduced picture. ImageMagick's
// figures for the same pictures are printed beside ours when its convert
// command is there.
//
//   bench_imaging_psnr [folder]
#include "ImageIO.h"
#include "Render.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace hf;

namespace {

constexpr double kIdentical = 99.0;  // PSNR reported for a perfect match

double psnr(const LBitmap& a, const LBitmap& b)
{
    double sum = 0;
    for (int y = 0; y < a.GetHeight(); ++y)
        for (int x = 0; x < a.GetWidth(); ++x) {
            const Rgb p = a.colourAt(x, y), q = b.colourAt(x, y);
            sum += double(p.r - q.r) * (p.r - q.r) + double(p.g - q.g) * (p.g - q.g) + double(p.b - q.b) * (p.b - q.b);
        }
    const double mse = sum / (3.0 * a.GetWidth() * a.GetHeight());
    return mse == 0 ? kIdentical : std::min(kIdentical, 10.0 * std::log10(255.0 * 255.0 / mse));
}

// ImageMagick's reduction of the picture, read back as raw RGB; empty when
// the command is not there or fails.
LBitmap magick(const LBitmap& picture, const std::string& options, const fs::path& scratch)
{
    const fs::path in = scratch / "in.ppm";
    {
        std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(in.c_str(), "wb"), std::fclose);
        if (!f)
            return {};
        std::fprintf(f.get(), "P6\n%d %d\n255\n", picture.GetWidth(), picture.GetHeight());
        for (int y = 0; y < picture.GetHeight(); ++y)
            for (int x = 0; x < picture.GetWidth(); ++x) {
                const Rgb c = picture.colourAt(x, y);
                const unsigned char px[3] = {c.r, c.g, c.b};
                std::fwrite(px, 1, 3, f.get());
            }
    }
    const std::string command = "convert '" + in.string() + "' " + options + " -depth 8 rgb:- 2>/dev/null";
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    if (!pipe)
        return {};
    LBitmap out = LBitmap::rgb(picture.GetWidth(), picture.GetHeight());
    for (int y = 0; y < out.GetHeight(); ++y)
        if (std::fread(out.row(y), 1, out.rowBytes(), pipe.get()) != out.rowBytes())
            return {};
    return out;
}

struct Column {
    const char* name;
    double target;  // what the render has to reach; 0 for figures shown only to compare
    std::vector<double> values;
};

}  // namespace

int main(int argc, char** argv)
{
    const fs::path folder = argc > 1 ? fs::path(argv[1]) : fs::path("/usr/share/backgrounds/mate");
    std::vector<fs::path> photos;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::string ext = it->path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
        if (it->is_regular_file() && (ext == ".jpg" || ext == ".jpeg"))
            photos.push_back(it->path());
    }
    std::sort(photos.begin(), photos.end());
    if (photos.empty()) {
        std::fprintf(stderr, "No JPEG photos under %s (install Debian's mate-backgrounds, or name a folder).\n",
                     folder.c_str());
        return 1;
    }
    const bool haveMagick = std::system("convert -version > /dev/null 2>&1") == 0;
    const fs::path scratch = fs::temp_directory_path() / ("handfolio-psnr-" + std::to_string(::getpid()));
    fs::create_directories(scratch);

    std::vector<Column> columns{{"palette", 39.5, {}}, {"JJN", 38.5, {}},     {"16 grays", 33.0, {}},
                                {"4 grays", 17.0, {}}, {"IM -colors", 0, {}}, {"IM +dither", 0, {}}};
    std::printf("%-40s %9s %9s %9s %9s %11s %11s\n", "photo (dB)", "palette", "JJN", "16 grays", "4 grays",
                "IM -colors", "IM +dither");
    for (const fs::path& path : photos) {
        const LBitmap source = loadBitmap(path);
        if (!source.IsAllocated()) {
            std::printf("%-40s does not load\n", path.filename().c_str());
            continue;
        }
        const SourceLayout layout = layoutSourceView(source, 240, 240);
        const auto g = renderGeometry(layout, layout.firstFrame, source.GetWidth(), source.GetHeight());
        const LBitmap content = LBitmap::sampledFrom(source, g->clipped, g->width, g->height);

        LBitmap plain = content;
        const Rgb black[] = {kBlack};
        plain.ColorRes(8, DitherMethod::None, PaletteOption::Optimised, black);
        LBitmap dithered = content;
        toneAndReduce(dithered, kColour, 0);
        LBitmap gray = content;
        gray.GrayScale();
        LBitmap sixteen = content;
        toneAndReduce(sixteen, kSixteenGrays, 0);
        LBitmap four = content;
        toneAndReduce(four, kFourGrays, 0);

        double row[6] = {
            psnr(plain, content), psnr(dithered, content), psnr(sixteen, gray), psnr(four, gray), NAN, NAN};
        if (haveMagick) {
            const LBitmap imDithered = magick(content, "-dither FloydSteinberg -colors 256", scratch);
            const LBitmap imPlain = magick(content, "+dither -colors 256", scratch);
            if (imDithered.IsAllocated())
                row[4] = psnr(imDithered, content);
            if (imPlain.IsAllocated())
                row[5] = psnr(imPlain, content);
        }
        std::printf("%-40s %9.2f %9.2f %9.2f %9.2f %11.2f %11.2f\n", path.filename().c_str(), row[0], row[1], row[2],
                    row[3], row[4], row[5]);
        for (int i = 0; i < 6; ++i)
            if (!std::isnan(row[i]))
                columns[i].values.push_back(row[i]);
    }
    fs::remove_all(scratch, ec);

    std::printf("\nMean PSNR over %zu photos:\n", photos.size());
    bool allMet = true;
    for (const Column& c : columns) {
        if (c.values.empty())
            continue;
        double sum = 0;
        for (double v : c.values)
            sum += v;
        const double mean = sum / double(c.values.size());
        if (c.target > 0) {
            std::printf("  %-12s %6.2f dB (target %.1f dB: %s)\n", c.name, mean, c.target,
                        mean >= c.target ? "met" : "NOT met");
            allMet = allMet && mean >= c.target;
        } else {
            std::printf("  %-12s %6.2f dB\n", c.name, mean);
        }
    }
    return allMet ? 0 : 2;
}
