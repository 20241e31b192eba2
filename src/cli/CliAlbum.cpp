#include "CliAlbum.h"

#include "CliCommands.h"

namespace hf {

MsgAnswer StreamBoxes::show(std::string_view text, std::string_view, MsgStyle)
{
    std::string line(text);
    for (char& c : line) {
        if (c == '\n')
            c = ' ';
    }
    err_ << "handfolio-cli: " << line << '\n';
    return MsgAnswer::No;
}

CliAlbum::CliAlbum(HandheldDesktop& desktop, const Profile& profile, std::ostream& err)
    : err_(err), boxes_(err), album_(std::make_unique<Album>()),
      session_(desktop, scratch_, boxes_, *album_, "handfolio-cli")
{
    scratch_.setString(kPrefsSection, kPrevUserValue, profile.getString(kPrefsSection, kPrevUserValue, ""));
}

int CliAlbum::open(const std::string& user, bool forWriting)
{
    session_.readRememberedUser();
    session_.fillUserList();
    if (!user.empty() && !session_.selectUser(user)) {
        err_ << "handfolio-cli: there is no handheld user \"" << user << "\"; see handfolio-cli users\n";
        return kCliUsage;
    }
    session_.findProgramFolder();
    if (!session_.hasProgramFolder()) {
        err_ << "handfolio-cli: handheld user \"" << session_.currentUser() << "\" has no folder for an album\n";
        return kCliAlbumFailed;
    }
    session_.loadAlbum();
    if (forWriting && session_.readOnly()) {
        const std::string& holder = session_.lock().holder();
        err_ << "handfolio-cli: the album of " << session_.currentUser() << " is open in "
             << (holder.empty() ? std::string("another program") : holder)
             << "; close it there first, nothing was changed\n";
        return kCliAlbumHeld;
    }
    return kCliDone;
}

std::vector<int> CliAlbum::listed() const
{
    std::vector<int> records;
    for (int i = 0; i < album_->count; ++i) {
        if (album_->records[static_cast<std::size_t>(i)].deleted == 0)
            records.push_back(i);
    }
    return records;
}

}  // namespace hf
