#include "PictureJob.h"

#include "Bmp.h"
#include "HandheldModels.h"
#include "ImageIO.h"
#include "Render.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace hf {
namespace {

// The editor's views: its first frame and the render's arithmetic depend
// on their 240 x 240 pixels.
constexpr int kViewSize = 240;

}  // namespace

std::optional<int> colourModeFor(std::uint8_t modelKind, int settingsMode, std::optional<int> wanted,
                                 std::string& refusal)
{
    if (!wanted)
        return applyModelRule(modelKind, settingsMode).colourMode;
    const ModelRule rule = applyModelRule(modelKind, *wanted);
    const bool shown = *wanted == kFourGrays || (*wanted == kSixteenGrays && rule.gray16Enabled) ||
                       (*wanted == kColour && rule.colourEnabled);
    if (!shown) {
        refusal = "that handheld's screen cannot show this colour mode";
        return std::nullopt;
    }
    return *wanted;
}

PreparedPicture preparePicture(const std::filesystem::path& photo, const PictureSettings& settings)
{
    const LBitmap source = loadBitmap(photo);
    if (!source.IsAllocated())
        return {{}, "the picture file cannot be read"};
    // A crop or the whole photo is given in its own pixels: a layout of
    // scale 1 with no offset maps the frame onto the photo unchanged.
    SourceLayout layout;
    Rect frame;
    if (settings.crop || settings.fill) {
        frame = settings.crop.value_or(Rect{0, 0, source.GetWidth(), source.GetHeight()});
        if (frame.left >= source.GetWidth() || frame.top >= source.GetHeight())
            return {{}, "the crop holds no part of the picture"};
    } else {
        layout = layoutSourceView(source, kViewSize, kViewSize);
        frame = layout.firstFrame;
    }
    Renderer renderer;
    renderer.render(source, layout, frame, settings.colourMode, settings.contrast, kHandheldSize, kHandheldSize);
    if (!renderer.handheldPicture().IsAllocated())
        return {{}, "the picture is too narrow to frame"};
    return {encodeBmp(renderer.handheldPicture()), {}};
}

void prepareInOrder(const std::vector<std::filesystem::path>& photos, const PictureSettings& settings, unsigned threads,
                    const std::function<bool(std::size_t, PreparedPicture&)>& take)
{
    std::vector<std::optional<PreparedPicture>> done(photos.size());
    std::mutex mutex;
    std::condition_variable ready;
    std::atomic<std::size_t> next{0};
    std::atomic<bool> stop{false};
    const auto work = [&] {
        for (std::size_t i = 0; !stop && (i = next++) < photos.size();) {
            PreparedPicture picture = preparePicture(photos[i], settings);
            const std::lock_guard guard(mutex);
            done[i] = std::move(picture);
            ready.notify_all();
        }
    };
    std::vector<std::jthread> workers;
    for (unsigned t = 0; t < std::max(1u, threads); ++t)
        workers.emplace_back(work);
    for (std::size_t i = 0; i < photos.size(); ++i) {
        std::unique_lock lock(mutex);
        ready.wait(lock, [&] { return done[i].has_value(); });
        PreparedPicture picture = std::move(*done[i]);
        done[i].reset();
        lock.unlock();
        if (!take(i, picture)) {
            stop = true;
            break;
        }
    }
}

}  // namespace hf
