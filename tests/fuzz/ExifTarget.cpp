// Pictures from a photo store: the head of a JPEG file read in a first
// short request, its EXIF orientation and thumbnail, and the small upright
// picture the download writes.

#include "FuzzTargets.h"

#include "ImageIO.h"
#include "Pictures.h"

namespace hf::fuzz {

void exifThumbnail(Input data)
{
    const opc::JpegHead head = opc::inspectJpegHead(data);
    HF_FUZZ_RULE(head.exifEnd == 0 || (head.jpeg && head.exifBegin < head.exifEnd));

    const opc::ExifFacts facts = opc::readExifOfFile(data);
    HF_FUZZ_RULE(facts.orientation >= 1 && facts.orientation <= 8);
    HF_FUZZ_RULE(facts.thumbnail.size() <= data.size());
    const opc::ExifFacts raw = opc::readExif(data);
    HF_FUZZ_RULE(raw.orientation >= 1 && raw.orientation <= 8);

    constexpr int kSide = 100;
    for (const LBitmap& small : {decodeSmallPicture(data, kSide), opc::exifThumbnail(facts, kSide)}) {
        if (small.IsAllocated())
            HF_FUZZ_RULE(small.GetWidth() <= kSide && small.GetHeight() <= kSide);
    }
}

}  // namespace hf::fuzz
