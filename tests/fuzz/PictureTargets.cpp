// Picture files: through the decoding entry every photo source uses (a
// file by its name, or the bytes of a clipboard or a drop), and as the
// preview pane and the file dialog's preview read them.

#include "FuzzTargets.h"

#include "ImageIO.h"
#include "PreviewImage.h"

#include <iterator>

namespace hf::fuzz {
namespace {

// The suffix a file may carry; the first byte of the input picks it.
constexpr const char* kSuffixes[] = {"",     "bmp",  "png", "jpg", "gif", "tif", "webp", "ico",
                                     "heic", "avif", "jxl", "pbm", "pgm", "ppm", "xpm",  "tga"};

bool wellFormed(const LBitmap& picture)
{
    if (!picture.IsAllocated())
        return picture.GetWidth() == 0 && picture.GetHeight() == 0;
    const std::int64_t pixels = std::int64_t(picture.GetWidth()) * picture.GetHeight();
    if (picture.GetHeight() <= 0 || pixels > kMaxPicturePixels)
        return false;
    if (!picture.isIndexed())
        return picture.GetBitsPerPixel() == 24;
    const std::size_t colours = picture.palette().size();
    if (colours == 0 || colours > (std::size_t(1) << picture.GetBitsPerPixel()))
        return false;
    for (int y = 0; y < picture.GetHeight(); ++y) {
        const std::uint8_t* row = picture.row(y);
        for (int x = 0; x < picture.GetWidth(); ++x) {
            if (row[x] >= colours)
                return false;
        }
    }
    return true;
}

bool samePicture(const LBitmap& a, const LBitmap& b)
{
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight() || a.GetBitsPerPixel() != b.GetBitsPerPixel() ||
        a.palette().size() != b.palette().size())
        return false;
    for (int y = 0; y < a.GetHeight(); ++y) {
        if (!std::equal(a.row(y), a.row(y) + a.rowBytes(), b.row(y)))
            return false;
    }
    return true;
}

}  // namespace

void pictureFile(Input data)
{
    if (data.empty())
        return;
    const std::string suffix = kSuffixes[data[0] % std::size(kSuffixes)];
    const Input bytes = data.subspan(1);
    const std::filesystem::path file = freshFolder("picture") / (suffix.empty() ? "photo" : "photo." + suffix);
    writeFile(file, bytes);

    const LBitmap fromFile = loadBitmap(file);
    HF_FUZZ_RULE(wellFormed(fromFile));
    HF_FUZZ_RULE(samePicture(fromFile, decodePicture(bytes, suffix)));
    if (!fromFile.IsAllocated())
        return;
    // Scans and screen grabs arrive as QImages: the same picture comes back.
    const QImage shown = toQImage(fromFile);
    HF_FUZZ_RULE(shown.width() == fromFile.GetWidth() && shown.height() == fromFile.GetHeight());
    const LBitmap again = fromQImage(shown);
    HF_FUZZ_RULE(wellFormed(again) && again.GetWidth() == fromFile.GetWidth());
}

void previewFile(Input data)
{
    const std::filesystem::path file = freshFolder("preview") / "p1.bmp";
    writeFile(file, data);
    const QSize pane(164, 164);
    const QImage pane1 = previewImage(file, pane);
    HF_FUZZ_RULE(pane1.size() == pane);
    const QImage dialog = previewOf(file, QSize(120, 90));
    HF_FUZZ_RULE(dialog.isNull() || (dialog.width() <= 120 && dialog.height() <= 90));
}

}  // namespace hf::fuzz
