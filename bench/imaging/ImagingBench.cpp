// Speed of the render, the source-view layout and decoding on a 12-megapixel
// photo, one thread. Prints medians of repeated runs, then each figure
// against its budget, decoding JPEG against libjpeg-turbo's djpeg and
// HEIC and AVIF against libheif's heif-convert.
//
//   bench_imaging [Google Benchmark options]
//   HANDFOLIO_BENCH_PHOTO=photo.jpg bench_imaging   (a photo of your own, sized to 12 megapixels)
#include "BenchPictures.h"
#include "ImageIO.h"
#include "Render.h"

#include <QImage>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>
#include <vector>

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

// A file of this run in the temporary folder.
fs::path benchFile(const std::string& suffix)
{
    return fs::temp_directory_path() / ("handfolio-bench-" + std::to_string(::getpid()) + suffix);
}

// The 12-megapixel photo as a JPEG at camera quality, written once.
const fs::path& jpegFile()
{
    static const fs::path path = [] {
        fs::path p = benchFile(".jpg");
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

// Runs a command to its end; false when it cannot start or fails.
bool runTool(std::vector<std::string> args)
{
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    // Their chatter would interleave with the benchmark's table.
    posix_spawn_file_actions_t quiet;
    ::posix_spawn_file_actions_init(&quiet);
    ::posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = ::posix_spawnp(&pid, argv[0], &quiet, nullptr, argv.data(), environ);
    ::posix_spawn_file_actions_destroy(&quiet);
    if (spawned != 0)
        return false;
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// libjpeg-turbo's own command-line decoder on the same file, writing its
// output nowhere; includes starting the process.
void BM_Djpeg(benchmark::State& state)
{
    for (auto _ : state)
        if (!runTool({"djpeg", "-outfile", "/dev/null", jpegFile().string()}))
            state.SkipWithError("djpeg is missing or failed");
}

// The 12-megapixel photo as HEIC or AVIF, encoded once with heif-enc at a
// phone's quality (faster encoder settings: only decoding is measured).
const fs::path& heifFile(bool avif)
{
    static std::map<bool, fs::path> files;
    fs::path& path = files[avif];
    if (path.empty()) {
        const fs::path png = benchFile(".png");
        toQImage(photo()).save(QString::fromStdString(png.string()), "PNG", 10);
        path = benchFile(avif ? ".avif" : ".heic");
        runTool({"heif-enc", "-q", "80", "-p", avif ? "speed=8" : "preset=fast", png.string(), "-o", path.string()});
        fs::remove(png);
    }
    return path;
}

void decodeHeif(benchmark::State& state, bool avif)
{
    const fs::path& file = heifFile(avif);
    for (auto _ : state) {
        LBitmap b = loadBitmap(file);
        if (!b.IsAllocated())
            state.SkipWithError("the file did not load (is heif-enc installed?)");
        benchmark::DoNotOptimize(b.row(0));
    }
}
void BM_DecodeHeic(benchmark::State& state)
{
    decodeHeif(state, false);
}
void BM_DecodeAvif(benchmark::State& state)
{
    decodeHeif(state, true);
}

// libheif's own command-line decoder on the same file, writing the planes
// as they come out of the decoder (.y4m needs no colour conversion);
// includes starting the process and writing the file.
void heifConvert(benchmark::State& state, bool avif)
{
    const fs::path& file = heifFile(avif);
    const fs::path out = benchFile(".y4m");
    for (auto _ : state)
        if (!runTool({"heif-convert", "-q", "90", file.string(), out.string()}))
            state.SkipWithError("heif-convert is missing or failed");
    std::error_code ec;
    fs::remove(out, ec);
}
void BM_HeifConvertHeic(benchmark::State& state)
{
    heifConvert(state, false);
}
void BM_HeifConvertAvif(benchmark::State& state)
{
    heifConvert(state, true);
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
BENCHMARK(BM_DecodeHeic)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true)->UseRealTime();
BENCHMARK(BM_HeifConvertHeic)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true)->UseRealTime();
BENCHMARK(BM_DecodeAvif)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true)->UseRealTime();
BENCHMARK(BM_HeifConvertAvif)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true)->UseRealTime();

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
    std::map<std::string, double> medians;  // milliseconds
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
    const std::tuple<const char*, const char*, const char*> against[] = {
        {"BM_DecodeJpeg", "BM_Djpeg", "djpeg"},
        {"BM_DecodeHeic", "BM_HeifConvertHeic", "heif-convert"},
        {"BM_DecodeAvif", "BM_HeifConvertAvif", "heif-convert"}};
    for (const auto& [ours, theirs, tool] : against)
        if (ms.count(ours) && ms.count(theirs))
            std::printf("  %-24s %8.3f ms  %-12s %8.3f ms  ratio %.2f (budget 1.30)\n", ours, ms.at(ours), tool,
                        ms.at(theirs), ms.at(ours) / ms.at(theirs));
}

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    summary(reporter.medians);
    std::error_code ec;
    for (const char* suffix : {".jpg", ".heic", ".avif"})
        fs::remove(benchFile(suffix), ec);
    return 0;
}
