// A folder of phone photos made into an album in one go: 100 JPEG photos of
// 12 megapixels added by handfolio-cli (decoded and rendered on every core,
// saved once), and the same pictures made one by one by ImageMagick's
// convert in a loop (resize to fit 160 x 160, centre on black, 256 colours
// with dithering, BMP). Medians of several runs and their ratio.
//
//   ./build/bench/cli/bench_cli [runs]        (HANDFOLIO_MAGICK=magick for ImageMagick 7)
#include "BenchPictures.h"
#include "BenchRuns.h"
#include "ImageIO.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace fs = std::filesystem;
using namespace hf;

int main(int argc, char** argv)
{
    constexpr int kPhotos = 100;
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const char* magickEnv = std::getenv("HANDFOLIO_MAGICK");
    const std::string magick = magickEnv && *magickEnv ? magickEnv : "convert";

    const fs::path scratch = fs::temp_directory_path() / ("handfolio-cli-bench-" + std::to_string(::getpid()));
    const fs::path palm = scratch / "palm";
    fs::create_directories(palm / "ann");
    std::ofstream(palm / "users.ini") << "[Users]\nCount=1\nUser0=Ann\nFolder0=ann\n[Creators]\nWz4k=Handfolio\n";
    // One camera-like photo under a hundred names: each is decoded in full
    // all the same, and the folder costs 5 MB rather than 500.
    const std::vector<std::uint8_t> jpeg = encodeJpeg(bench::syntheticPhoto(4000, 3000), 92);
    std::ofstream(scratch / "photo000.jpg", std::ios::binary)
        .write(reinterpret_cast<const char*>(jpeg.data()), std::streamsize(jpeg.size()));
    std::vector<std::string> add{HANDFOLIO_CLI, "add", "--user", "Ann"};
    for (int i = 0; i < kPhotos; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "photo%03d.jpg", i);
        if (i > 0)
            fs::create_hard_link(scratch / "photo000.jpg", scratch / name);
        add.push_back((scratch / name).string());
    }
    ::setenv("HANDFOLIO_PALM_DIR", palm.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (scratch / "config").c_str(), 1);

    std::vector<double> ours;
    std::vector<double> theirs;
    for (int r = 0; r < runs; ++r) {
        fs::remove_all(palm / "ann" / "Handfolio");
        ours.push_back(bench::timed(add));
        double loop = 0;
        for (int i = 0; i < kPhotos && loop >= 0; ++i) {
            const double one =
                bench::timed({magick, add[4 + std::size_t(i)], "-resize", "160x160", "-background", "black", "-gravity",
                              "center", "-extent", "160x160", "-dither", "FloydSteinberg", "-colors", "256",
                              "BMP3:" + (scratch / "out.bmp").string()});
            loop = one < 0 ? -1 : loop + one;
        }
        theirs.push_back(loop);
    }
    const double o = bench::median(ours);
    const double t = bench::median(theirs);
    std::printf("%d photos of 4000 x 3000 (%zu KB each), medians of %d runs, %u cores\n", kPhotos, jpeg.size() / 1024,
                runs, std::thread::hardware_concurrency());
    std::printf("handfolio-cli add       %8.0f ms  (target <= 10000 ms)%s\n", o, o < 0 ? "  FAILED" : "");
    if (t < 0)
        std::printf("ImageMagick loop        %s did not run\n", magick.c_str());
    else
        std::printf("ImageMagick loop        %8.0f ms  ratio %.2f\n", t, t / o);
    fs::remove_all(scratch);
    return o < 0 ? 1 : 0;
}
