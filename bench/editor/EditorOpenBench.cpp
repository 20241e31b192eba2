// Opening the picture editor on a 12-megapixel photo, up to its first
// rendered result: decode, source-view layout and the first render, as the
// user waits for them after choosing a file.
#include "ImageIO.h"
#include "PictureEditorDlg.h"
#include "RecordingMessageBoxes.h"

#include <QApplication>
#include <QPainter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

QString g_photo;

void writePhoto(const QString& file)
{
    QImage image(4000, 3000, QImage::Format_RGB888);
    QPainter p(&image);
    QLinearGradient g(0, 0, 4000, 3000);
    g.setColorAt(0, QColor(30, 90, 170));
    g.setColorAt(1, QColor(240, 200, 90));
    p.fillRect(image.rect(), g);
    for (int i = 0; i < 200; ++i) {
        p.setBrush(QColor::fromHsv(i * 37 % 360, 180, 200));
        p.drawEllipse(QPoint((i * 397) % 4000, (i * 211) % 3000), 40 + i % 90, 30 + i % 70);
    }
    p.end();
    image.save(file, "JPG", 92);
}

void BM_OpenEditorOn12MegapixelJpeg(benchmark::State& state)
{
    hf::MemoryProfile profile;
    hf::RecordingMessageBoxes boxes;
    char model[40] = "Unknown";
    for (auto _ : state) {
        hf::CPictureEditorDlg editor(profile, boxes, "/nonexistent");
        editor.sourcePicture() = hf::loadBitmap(g_photo.toStdString());
        editor.setModelBuffer(model);
        editor.initialise();
        benchmark::DoNotOptimize(editor.handheldPicture().GetWidth());
    }
}
BENCHMARK(BM_OpenEditorOn12MegapixelJpeg)->Unit(benchmark::kMillisecond)->MinTime(3.0);

}  // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    QTemporaryDir dir;
    g_photo = dir.filePath(QStringLiteral("photo.jpg"));
    writePhoto(g_photo);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
