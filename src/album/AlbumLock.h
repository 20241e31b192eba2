#pragma once

#include "SafeFiles.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace hf {

// One writer per album: a lock on a file in the program folder, held for as
// long as a program has that user's album open, whether the other program
// runs in this session, another one, or on another machine that shares the
// folder. The lock is an open-file-description record lock (fcntl), which
// network file systems carry too; the lock file itself is never deleted, so
// that two programs always lock the same file.
class AlbumLock {
public:
    static constexpr std::string_view kFileName = ".handfolio.lock";

    enum class State {
        None,           // no folder, or not taken yet
        Held,           // this program may write the album
        HeldElsewhere,  // another program has it open: read only here
        Unavailable,    // no lock file can be made (a read-only folder)
    };

    AlbumLock() = default;
    // Takes the lock of the album in folder, writing into the lock file who
    // holds it ("<program> (process <pid> on <host>)").
    static AlbumLock take(const std::filesystem::path& folder, std::string_view program);

    State state() const { return state_; }
    bool held() const { return state_ == State::Held; }
    // The program that holds the lock, as it describes itself; empty when
    // that is not known.
    const std::string& holder() const { return holder_; }
    const std::filesystem::path& folder() const { return folder_; }

private:
    UniqueFd fd_;
    State state_ = State::None;
    std::string holder_;
    std::filesystem::path folder_;
};

}  // namespace hf
