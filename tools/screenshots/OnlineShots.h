#pragma once

#include "LBitmap.h"

#include <QString>

namespace shots {

// The photo store's dialogs and windows, drawn into the folder; thumbnails
// are cut from the photo.
bool onlineShots(const hf::LBitmap& photo, const QString& folder);

}  // namespace shots
