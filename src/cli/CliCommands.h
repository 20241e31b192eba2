#pragma once

#include "CliOptions.h"
#include "HandheldDesktop.h"
#include "Profile.h"

#include <ostream>

namespace hf {

// What a command's exit status says.
enum CliStatus : int {
    kCliDone = 0,
    kCliSomeRefused = 1,
    kCliUsage = 2,
    kCliAlbumHeld = 3,
    kCliAlbumFailed = 4,
};

// Runs one checked command line on the handheld desktop's users: results on
// out, progress and one line per refusal on err.
int runCli(const CliOptions& options, HandheldDesktop& desktop, const Profile& profile, std::ostream& out,
           std::ostream& err, bool progressOnErr);

}  // namespace hf
