#include "Pictures.h"

#include "ImageIO.h"

#include <cstring>
#include <libexif/exif-data.h>
#include <memory>

namespace hf::opc {
namespace {

struct ExifDataDeleter {
    void operator()(ExifData* d) const { exif_data_unref(d); }
};

}  // namespace

JpegHead inspectJpegHead(Bytes start)
{
    JpegHead head;
    if (start.size() < 2 || start[0] != 0xFF || start[1] != 0xD8)
        return head;
    head.jpeg = true;
    std::size_t pos = 2;
    while (pos + 4 <= start.size()) {
        if (start[pos] != 0xFF)
            return head;
        const std::uint8_t marker = start[pos + 1];
        if (marker == 0xFF) {  // fill byte
            ++pos;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9)  // picture data or the end: no EXIF before it
            return head;
        if ((marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
            pos += 2;
            continue;
        }
        const std::size_t length = std::size_t(start[pos + 2]) << 8 | start[pos + 3];
        if (length < 2)
            return head;
        const std::size_t end = pos + 2 + length;
        if (marker == 0xE1 && pos + 10 <= start.size() && std::memcmp(&start[pos + 4], "Exif\0\0", 6) == 0) {
            head.exifBegin = pos + 4;
            head.exifEnd = end;
            return head;
        }
        pos = end;
    }
    return head;
}

ExifFacts readExif(Bytes payload)
{
    ExifFacts facts;
    if (payload.empty() || payload.size() > 0xFFFF)
        return facts;
    std::unique_ptr<ExifData, ExifDataDeleter> data(
        exif_data_new_from_data(payload.data(), static_cast<unsigned int>(payload.size())));
    if (!data)
        return facts;
    if (ExifEntry* e = exif_content_get_entry(data->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION)) {
        if (e->format == EXIF_FORMAT_SHORT && e->components >= 1 && e->size >= 2) {
            const int o = exif_get_short(e->data, exif_data_get_byte_order(data.get()));
            if (o >= 1 && o <= 8)
                facts.orientation = o;
        }
    }
    if (data->data && data->size > 0)
        facts.thumbnail.assign(data->data, data->data + data->size);
    return facts;
}

ExifFacts readExifOfFile(Bytes file)
{
    const JpegHead head = inspectJpegHead(file);
    if (head.exifEnd == 0 || head.exifEnd > file.size())
        return {};
    return readExif(file.subspan(head.exifBegin, head.exifEnd - head.exifBegin));
}

LBitmap exifThumbnail(const ExifFacts& facts, int maxSide)
{
    if (facts.thumbnail.empty())
        return {};
    return oriented(decodeSmallPicture(facts.thumbnail, maxSide), exifOrientation(facts.orientation));
}

}  // namespace hf::opc
