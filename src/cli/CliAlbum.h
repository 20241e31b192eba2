#pragma once

#include "Album.h"
#include "CliOptions.h"
#include "Profile.h"
#include "UserSession.h"

#include <memory>
#include <ostream>
#include <string>

namespace hf {

// Says everything on a stream, "handfolio-cli: " first, and answers No to
// questions: nothing on the command line is done without being asked for.
class StreamBoxes final : public MessageBoxes {
public:
    explicit StreamBoxes(std::ostream& err) : err_(err) {}
    MsgAnswer show(std::string_view text, std::string_view caption, MsgStyle style) override;

private:
    std::ostream& err_;
};

// A user's album opened for a command, under the album's lock when it can be
// taken; the settings are only read.
class CliAlbum {
public:
    CliAlbum(HandheldDesktop& desktop, const Profile& profile, std::ostream& err);
    // The status to end with when the album cannot be opened; 0 when open.
    int open(const std::string& user, bool forWriting);

    Album& album() { return *album_; }
    UserSession& session() { return session_; }
    std::string user() const { return session_.currentUser(); }
    const std::filesystem::path& folder() const { return session_.programFolder(); }
    // The photos in use, as list numbers them from 1: their record indexes.
    std::vector<int> listed() const;

private:
    std::ostream& err_;
    StreamBoxes boxes_;
    MemoryProfile scratch_;  // the session's writes land here, never in the settings
    std::unique_ptr<Album> album_;
    UserSession session_;
};

}  // namespace hf
