#pragma once

#include "AutoPlay.h"

#include <memory>

namespace hf {

// GNOME's "never prompt or start programs on media insertion" switch
// (org.gnome.desktop.media-handling autorun-never), or nothing where the
// schema is not installed.
std::unique_ptr<AutoPlayBackend> makeGSettingsAutoPlay();

}  // namespace hf
