// Peak memory of opening the picture editor on a 50-megapixel photo, from
// reading the file to the first rendered result, against the size of the
// decoded picture (budget: three times it). Each photo is opened in a
// process of its own so the peaks do not mix.
//
//   bench_imaging_memory            (HEIC, AVIF and JPEG made from a synthetic photo)
//   bench_imaging_memory photo...   (photos of your own)
#include "BenchPictures.h"
#include "ImageIO.h"
#include "PictureEditorDlg.h"
#include "Profile.h"
#include "RecordingMessageBoxes.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kWidth = 8192;
constexpr int kHeight = 6144;  // 50.3 megapixels

long peakKb()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

struct Measure {
    long baselineKb = 0;
    long peakKb = 0;
    int width = 0;
    int height = 0;
};

// In a child: the editor opens the photo as it does after Add Photo.
Measure openInEditor(const fs::path& photo)
{
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return {};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeFds[0]);
        int argc = 1;
        char name[] = "bench_imaging_memory";
        char* argv[] = {name, nullptr};
        QApplication app(argc, argv);
        Measure m;
        m.baselineKb = peakKb();
        {
            hf::MemoryProfile profile;
            hf::RecordingMessageBoxes boxes;
            char model[40] = "Unknown";
            hf::CPictureEditorDlg editor(profile, boxes, "/nonexistent");
            editor.sourcePicture() = hf::loadBitmap(photo);
            m.width = editor.sourcePicture().GetWidth();
            m.height = editor.sourcePicture().GetHeight();
            editor.setModelBuffer(model);
            editor.initialise();
            m.peakKb = peakKb();
        }
        const ssize_t written = ::write(pipeFds[1], &m, sizeof m);
        _exit(written == sizeof m ? 0 : 1);
    }
    ::close(pipeFds[1]);
    Measure m;
    if (::read(pipeFds[0], &m, sizeof m) != sizeof m)
        m = {};
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return m;
}

bool run(const std::string& command)
{
    return std::system((command + " > /dev/null 2>&1").c_str()) == 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::vector<fs::path> photos;
    const fs::path dir = fs::temp_directory_path() / ("handfolio-memory-" + std::to_string(::getpid()));
    if (argc > 1) {
        for (int i = 1; i < argc; ++i)
            photos.emplace_back(argv[i]);
    } else {
        fs::create_directories(dir);
        std::printf("Making a %d x %d photo as HEIC, AVIF and JPEG ...\n", kWidth, kHeight);
        const fs::path png = dir / "photo.png";
        hf::toQImage(hf::bench::syntheticPhoto(kWidth, kHeight)).save(QString::fromStdString(png.string()), "PNG", 10);
        for (const auto& [name, command] : {std::pair{"photo.heic", "heif-enc -q 80 -p preset=ultrafast"},
                                            std::pair{"photo.avif", "heif-enc -q 80 -p speed=9"}}) {
            if (run(std::string(command) + " " + png.string() + " -o " + (dir / name).string()))
                photos.push_back(dir / name);
            else
                std::printf("  %s: heif-enc failed or is missing\n", name);
        }
        if (run("convert " + png.string() + " -quality 92 " + (dir / "photo.jpg").string()))
            photos.push_back(dir / "photo.jpg");
        fs::remove(png);
    }
    std::printf("\nPeak memory of opening the editor (budget: 3.00 x the decoded picture):\n");
    for (const fs::path& photo : photos) {
        const Measure m = openInEditor(photo);
        if (m.width == 0) {
            std::printf("  %-12s did not open\n", photo.filename().c_str());
            continue;
        }
        const double decodedMb = double(m.width) * m.height * 3 / (1024 * 1024);
        const double grownMb = double(m.peakKb - m.baselineKb) / 1024;
        std::printf("  %-12s %d x %d  decoded %7.1f MB  peak growth %7.1f MB  ratio %.2f\n", photo.filename().c_str(),
                    m.width, m.height, decodedMb, grownMb, grownMb / decodedMb);
    }
    std::error_code ec;
    fs::remove_all(dir, ec);
    return 0;
}
