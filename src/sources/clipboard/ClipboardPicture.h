#pragma once

#include "LBitmap.h"

class QMimeData;

namespace hf {

// What the clipboard offers as a photo. An image in any format the image
// readers know counts, and so does a list of exactly one local file that
// decodes (what file managers put there when a picture file is copied).
class ClipboardPicture {
public:
    explicit ClipboardPicture(const QMimeData* data);

    // Whether there is an image to paste at all; text, several files or a
    // file that does not decode is no image.
    bool ready() const { return ready_; }
    // The picture; empty when the image could not be read (damaged, or over
    // the size limit).
    LBitmap paste() const;

private:
    const QMimeData* data_;
    bool ready_ = false;
    LBitmap file_;  // the copied file's picture, read while testing
};

}  // namespace hf
