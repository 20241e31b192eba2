#include "Album.h"
#include "RecordingMessageBoxes.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

namespace fs = std::filesystem;

namespace {

// Load and save of a full album: 1000 records whose pictures exist, so the
// missing-picture walk visits every record.
void BM_LoadSaveFullAlbum(benchmark::State& state)
{
    std::string pattern = (fs::temp_directory_path() / "handfolio-bench-XXXXXX").string();
    const fs::path folder = ::mkdtemp(pattern.data());
    hf::RecordingMessageBoxes boxes;
    auto album = std::make_unique<hf::Album>();
    const fs::path picture = folder / "p0.bmp";
    {
        std::FILE* f = std::fopen(picture.c_str(), "wb");
        std::fclose(f);
    }
    for (int i = 0; i < hf::kMaxRecords; ++i)
        album->appendRecord("Photo " + std::to_string(i), picture, 3, i % 3, "Bench User");
    if (!album->saveAlbum(folder, boxes))
        state.SkipWithError("the album could not be saved");

    for (auto _ : state) {
        album->loadAlbum(folder, boxes);
        benchmark::DoNotOptimize(album->saveAlbum(folder, boxes));
        benchmark::DoNotOptimize(album->count);
    }
    if (!boxes.shown().empty())
        state.SkipWithError("the album reported a problem");
    fs::remove_all(folder);
}
BENCHMARK(BM_LoadSaveFullAlbum)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
