// Speed of the render, the source-view layout and decoding on a 12-megapixel
// photo, one thread. Prints medians of repeated runs, then each figure
// against its budget and decoding against libjpeg-turbo's djpeg.
//
//   bench_imaging [Google Benchmark options]
//   HANDFOLIO_BENCH_PHOTO=photo.jpg bench_imaging   (a photo of your own, sized to 12 megapixels)
#include "BenchPictures.h"
#include "ImageIO.h"
#include "Render.h"

#include <QImage>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;
using namespace hf;

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;
constexpr int kView = 240;

const LBitmap& photo()
{
    static const LBitmap picture = [] {
        if (const char* path = std::getenv("HANDFOLIO_BENCH_PHOTO")) {
            LBitmap own = loadBitmap(path);
            if (own.IsAllocated() && own.Size(kWidth, kHeight))
                return own;
        }
        return bench::syntheticPhoto(kWidth, kHeight);
    }();
    return picture;
}

// The 12-megapixel photo as a JPEG at camera quality, written once.
const fs::path& jpegFile()
{
    static const fs::path path = [] {
        const fs::path p = fs::temp_directory_path() / ("handfolio-bench-" + std::to_string(::getpid()) + ".jpg");
        toQImage(photo()).save(QString::fromStdString(p.string()), "JPEG", 92);
        return p;
    }();
    return path;
}

void render(benchmark::State& state, int mode)
{
    const LBitmap& source = photo();
    const SourceLayout layout = layoutSourceView(source, kView, kView);
    Renderer renderer;
    int contrast = 0;
    for (auto _ : state) {
        // A new contrast each time, as the slider gives.
        renderer.render(source, layout, layout.firstFrame, mode, contrast, kView, kView);
        contrast = (contrast + 37) % 400;
        benchmark::DoNotOptimize(renderer.handheldPicture().row(80));
    }
}

void BM_RenderFourGrays(benchmark::State& state)
{
    render(state, kFourGrays);
}
void BM_RenderSixteenGrays(benchmark::State& state)
{
    render(state, kSixteenGrays);
}
void BM_RenderColour(benchmark::State& state)
{
    render(state, kColour);
}

void BM_SourceViewLayout(benchmark::State& state)
{
    const LBitmap& source = photo();
    for (auto _ : state) {
        SourceLayout layout = layoutSourceView(source, kView, kView);
        benchmark::DoNotOptimize(layout.sourceView.row(120));
    }
}

void BM_DecodeJpeg(benchmark::State& state)
{
    const fs::path& file = jpegFile();
    for (auto _ : state) {
        LBitmap b = loadBitmap(file);
        if (!b.IsAllocated())
            state.SkipWithError("the JPEG did not load");
        benchmark::DoNotOptimize(b.row(0));
    }
}

// libjpeg-turbo's own command-line decoder on the same file, writing its
// output nowhere; includes starting the process.
void BM_Djpeg(benchmark::State& state)
{
    const std::string file = jpegFile().string();
    char* argv[] = {const_cast<char*>("djpeg"), const_cast<char*>("-outfile"), const_cast<char*>("/dev/null"),
                    const_cast<char*>(file.c_str()), nullptr};
    for (auto _ : state) {
        pid_t pid = 0;
        if (::posix_spawnp(&pid, "djpeg", nullptr, nullptr, argv, environ) != 0) {
            state.SkipWithError("djpeg is not installed");
            break;
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            state.SkipWithError("djpeg failed");
    }
}

constexpr int kRepetitions = 9;
BENCHMARK(BM_RenderFourGrays)->Unit(benchmark::kMicrosecond)->Repetitions(kRepetitions)->ReportAggregatesOnly(true);
BENCHMARK(BM_RenderSixteenGrays)->Unit(benchmark::kMicrosecond)->Repetitions(kRepetitions)->ReportAggregatesOnly(true);
BENCHMARK(BM_RenderColour)->Unit(benchmark::kMicrosecond)->Repetitions(kRepetitions)->ReportAggregatesOnly(true);
BENCHMARK(BM_SourceViewLayout)->Unit(benchmark::kMicrosecond)->Repetitions(kRepetitions)->ReportAggregatesOnly(true);
BENCHMARK(BM_DecodeJpeg)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true)
    ->UseRealTime();
BENCHMARK(BM_Djpeg)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true)
    ->UseRealTime();

// Keeps the median of every benchmark for the summary.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.aggregate_name == "median" && !run.error_occurred)
                medians[run.run_name.function_name] = run.GetAdjustedRealTime() *
                                                      benchmark::GetTimeUnitMultiplier(benchmark::kMillisecond) /
                                                      benchmark::GetTimeUnitMultiplier(run.time_unit);
    }
    std::map<std::string, double> medians; // milliseconds
};

void summary(const std::map<std::string, double>& ms)
{
    std::printf("\nMedians (ms) against their budgets:\n");
    const std::pair<const char*, double> budgets[] = {{"BM_RenderFourGrays", 1.0},
                                                      {"BM_RenderSixteenGrays", 1.0},
                                                      {"BM_RenderColour", 5.0},
                                                      {"BM_SourceViewLayout", 20.0}};
    for (const auto& [name, budget] : budgets)
        if (ms.count(name))
            std::printf("  %-24s %8.3f ms  budget %5.1f ms  (%.2f of it)\n", name, ms.at(name), budget,
                        ms.at(name) / budget);
    if (ms.count("BM_DecodeJpeg") && ms.count("BM_Djpeg"))
        std::printf("  %-24s %8.3f ms  djpeg %8.3f ms  ratio %.2f (budget 1.30)\n", "BM_DecodeJpeg",
                    ms.at("BM_DecodeJpeg"), ms.at("BM_Djpeg"), ms.at("BM_DecodeJpeg") / ms.at("BM_Djpeg"));
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    summary(reporter.medians);
    std::error_code ec;
    fs::remove(fs::temp_directory_path() / ("handfolio-bench-" + std::to_string(::getpid()) + ".jpg"), ec);
    return 0;
}
