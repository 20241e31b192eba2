#include "CliCommands.h"

#include "CliAlbum.h"
#include "ImageIO.h"

#include <QImage>

#include <cstdio>
#include <set>

namespace fs = std::filesystem;

// The commands that read or rearrange an album; adding photos is in CliAdd.cpp.
namespace hf {

int addPhotos(const CliOptions& options, CliAlbum& album, const Profile& profile, std::ostream& out, std::ostream& err,
              bool progress);

namespace {

const char* modeName(int mode)
{
    return mode == 1 ? "gray4" : mode == 2 ? "gray16" : "colour";
}

std::string json(std::string_view text)
{
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", unsigned(static_cast<unsigned char>(c)));
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

int listUsers(HandheldDesktop& desktop, const Profile& profile, std::ostream& out, std::ostream& err)
{
    CliAlbum album(desktop, profile, err);
    album.session().fillUserList();
    for (const std::string& user : album.session().users().items())
        out << user << '\n';
    return kCliDone;
}

int listPhotos(CliAlbum& album, bool asJson, std::ostream& out)
{
    const Album& a = album.album();
    const std::vector<int> records = album.listed();
    if (asJson)
        out << "[";
    for (std::size_t i = 0; i < records.size(); ++i) {
        const PhotoRecord& r = a.records[static_cast<std::size_t>(records[i])];
        const std::string name = cp1252ToUtf8(fieldText(r.pictureName));
        const std::string category = cp1252ToUtf8(a.categoryName(r.category));
        if (asJson) {
            out << (i ? ",\n " : "\n ") << "{\"index\": " << i + 1 << ", \"name\": " << json(name)
                << ", \"category\": " << json(category) << ", \"private\": " << (r.privateFlag ? "true" : "false")
                << ", \"mode\": \"" << modeName(r.colourMode) << "\", \"picture\": " << json(fieldText(r.picturePath))
                << "}";
            continue;
        }
        char number[32];
        std::snprintf(number, sizeof number, "%4zu  ", i + 1);
        out << number << name << std::string(name.size() < 16 ? 16 - name.size() : 1, ' ') << category
            << std::string(category.size() < 16 ? 16 - category.size() : 1, ' ') << modeName(r.colourMode)
            << (r.privateFlag ? "  private" : "") << '\n';
    }
    if (asJson)
        out << (records.empty() ? "]\n" : "\n]\n");
    return kCliDone;
}

// The photos' list numbers as record indexes; none after saying which
// number is not there.
std::optional<std::vector<int>> recordsOf(CliAlbum& album, const std::vector<std::string>& indexes, std::ostream& err)
{
    const std::vector<int> records = album.listed();
    std::vector<int> out;
    for (const std::string& index : indexes) {
        const std::size_t n = std::stoul(index);
        if (n > records.size()) {
            err << "handfolio-cli: the album of " << album.user() << " has no photo " << index << " (it holds "
                << records.size() << ")\n";
            return std::nullopt;
        }
        out.push_back(records[n - 1]);
    }
    return out;
}

int saved(CliAlbum& album)
{
    return album.session().saveAlbum() == SaveResult::Saved ? kCliDone : kCliAlbumFailed;
}

int removePhotos(CliAlbum& album, const CliOptions& options, std::ostream& out, std::ostream& err)
{
    const std::optional<std::vector<int>> chosen = recordsOf(album, options.operands, err);
    if (!chosen)
        return kCliSomeRefused;
    const std::set<int> records(chosen->begin(), chosen->end());
    for (const int record : records)
        album.album().removeRecord(record, album.folder());
    const int status = saved(album);
    if (status == kCliDone)
        out << "Removed " << records.size() << (records.size() == 1 ? " photo" : " photos") << " from the album of "
            << album.user() << ".\n";
    return status;
}

// The photo takes the other's place; those between move up or down by one,
// as repeated moves in the Album window would leave them.
int movePhoto(CliAlbum& album, const CliOptions& options, std::ostream& out, std::ostream& err)
{
    if (!recordsOf(album, options.operands, err))
        return kCliSomeRefused;
    const std::vector<int> records = album.listed();
    const std::size_t from = std::stoul(options.operands[0]) - 1;
    const std::size_t to = std::stoul(options.operands[1]) - 1;
    for (std::size_t i = from; i != to; i = from < to ? i + 1 : i - 1)
        album.album().exchangeRecords(records[i], records[from < to ? i + 1 : i - 1]);
    const int status = saved(album);
    if (status == kCliDone)
        out << "Moved photo " << from + 1 << " to " << to + 1 << ".\n";
    return status;
}

// A file name from a picture name: what a file name cannot hold is replaced.
std::string fileNameFor(std::string name)
{
    for (char& c : name) {
        if (c == '/' || static_cast<unsigned char>(c) < 0x20)
            c = '_';
    }
    if (name.empty() || name == "." || name == "..")
        name = "_" + name;
    return name;
}

int exportPictures(CliAlbum& album, const fs::path& folder, std::ostream& out, std::ostream& err)
{
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (!fs::is_directory(folder, ec)) {
        err << "handfolio-cli: the folder " << folder.string() << " cannot be made\n";
        return kCliUsage;
    }
    int written = 0;
    int refused = 0;
    for (const int record : album.listed()) {
        const PhotoRecord& r = album.album().records[static_cast<std::size_t>(record)];
        const std::string name = fileNameFor(cp1252ToUtf8(fieldText(r.pictureName)));
        const QImage picture = toQImage(loadBitmap(recordPath(r)));
        // Never over a file that is there: two photos may share a name.
        fs::path file = folder / (name + ".png");
        for (int n = 2; fs::exists(fs::symlink_status(file, ec)); ++n)
            file = folder / (name + " (" + std::to_string(n) + ").png");
        if (picture.isNull() || !picture.copy(0, 0, 160, 160).save(QString::fromStdString(file.string()), "PNG")) {
            err << "handfolio-cli: " << cp1252ToUtf8(fieldText(r.pictureName)) << ": the picture file "
                << fieldText(r.picturePath) << " cannot be read\n";
            ++refused;
            continue;
        }
        ++written;
    }
    out << "Wrote " << written << " pictures into " << folder.string() << ".\n";
    return refused ? kCliSomeRefused : kCliDone;
}

}  // namespace

int runCli(const CliOptions& options, HandheldDesktop& desktop, const Profile& profile, std::ostream& out,
           std::ostream& err, bool progressOnErr)
{
    if (options.command == "help") {
        out << cliUsage();
        return kCliDone;
    }
    if (options.command == "version") {
        out << "handfolio-cli 2.6\n";
        return kCliDone;
    }
    if (options.command == "users")
        return listUsers(desktop, profile, out, err);
    const bool writes = options.command == "add" || options.command == "remove" || options.command == "move";
    CliAlbum album(desktop, profile, err);
    if (const int status = album.open(options.user, writes); status != kCliDone)
        return status;
    if (options.command == "list")
        return listPhotos(album, options.json, out);
    if (options.command == "remove")
        return removePhotos(album, options, out, err);
    if (options.command == "move")
        return movePhoto(album, options, out, err);
    if (options.command == "export")
        return exportPictures(album, options.operands[0], out, err);
    return addPhotos(options, album, profile, out, err, progressOnErr);
}

}  // namespace hf
