#include "CliAlbum.h"
#include "CliCommands.h"
#include "EditorSettings.h"
#include "HandheldModels.h"
#include "NameRules.h"
#include "PictureFileWriter.h"
#include "PictureJob.h"

#include <algorithm>
#include <set>
#include <thread>

namespace fs = std::filesystem;

// add: many photos decoded and rendered at once, filed in the order given,
// the album saved once.
namespace hf {
namespace {

// One "\r" line on a terminal; nothing when err is a file or a pipe.
void showProgress(std::ostream& err, std::size_t done, std::size_t total)
{
    constexpr std::size_t kWidth = 30;
    const std::size_t filled = total ? done * kWidth / total : kWidth;
    err << "\r[" << std::string(filled, '#') << std::string(kWidth - filled, '.') << "] " << done << "/" << total
        << (done == total ? "\n" : "") << std::flush;
}

struct AddPlan {
    PictureSettings settings;
    std::string model;  // Windows-1252
    int category = 0;
};

// The choices the editor would start with, and those the options make;
// none after saying what does not fit.
std::optional<AddPlan> planFor(const CliOptions& o, const Album& album, const Profile& profile, std::ostream& err)
{
    AddPlan plan;
    plan.model = o.model.empty() ? std::string(fieldText(album.header.lastModel)) : utf8ToCp1252(o.model);
    const std::optional<int> row = findHandheldModel(plan.model);
    if (!row && !o.model.empty()) {
        err << "handfolio-cli: unknown handheld model \"" << o.model << "\"\n";
        return std::nullopt;
    }
    const HandheldModel& model =
        kHandheldModels[static_cast<std::size_t>(row.value_or(*findHandheldModel(kUnknownModel)))];
    std::string refusal;
    const std::optional<int> mode =
        colourModeFor(model.kind, profile.getInt(kParametersSection, kGrayLevelValue, 3), o.mode, refusal);
    if (!mode) {
        err << "handfolio-cli: " << refusal << " (" << model.name << ")\n";
        return std::nullopt;
    }
    plan.settings.colourMode = *mode;
    plan.settings.contrast = o.contrast.value_or(profile.getInt(kParametersSection, kContrastValue, 0));
    plan.settings.crop = o.crop;
    plan.settings.fill = o.fill;
    if (!o.category.empty()) {
        const std::optional<int> slot = album.findCategory(utf8ToCp1252(o.category));
        if (!slot) {
            err << "handfolio-cli: the album has no category \"" << o.category << "\"\n";
            return std::nullopt;
        }
        plan.category = *slot;
    }
    return plan;
}

// The picture name: the one given, or the one intake proposes for the file.
std::optional<std::string> nameFor(const CliOptions& o, const std::string& file, std::string& refusal)
{
    if (!o.name)
        return utf8ToCp1252(proposedNameForChosenFile(file)).substr(0, kMaxPictureName);
    const std::string bytes = utf8ToCp1252(*o.name);
    if (!fitsCp1252(*o.name) || bytes.size() > kMaxPictureName) {
        refusal = "the name \"" + *o.name + "\" does not fit: at most 15 letters the handheld can show";
        return std::nullopt;
    }
    return bytes;
}

}  // namespace

int addPhotos(const CliOptions& options, CliAlbum& cli, const Profile& profile, std::ostream& out, std::ostream& err,
              bool progress)
{
    Album& album = cli.album();
    const std::optional<AddPlan> plan = planFor(options, album, profile, err);
    if (!plan)
        return kCliUsage;
    std::string refusal;
    if (options.name && !nameFor(options, options.operands[0], refusal)) {
        err << "handfolio-cli: " << refusal << '\n';
        return kCliUsage;
    }

    std::vector<fs::path> files(options.operands.begin(), options.operands.end());
    std::set<int> taken;
    for (int i = 0; i < album.count; ++i) {
        if (const std::optional<int> n = pictureNumberOf(recordPath(album.records[std::size_t(i)]), cli.folder()))
            taken.insert(*n);
    }
    std::vector<fs::path> written;
    std::size_t refused = 0;
    const std::string user = utf8ToCp1252(cli.user());
    const unsigned threads = std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
    prepareInOrder(files, plan->settings, threads, [&](std::size_t i, PreparedPicture& picture) {
        const std::string file = files[i].string();
        std::string why = picture.error;
        const std::optional<std::string> name = why.empty() ? nameFor(options, file, why) : std::nullopt;
        if (why.empty() && album.isFull())
            why = "the album is full: it holds 1000 photos, removed ones included, until the next HotSync";
        if (why.empty()) {
            const WrittenPicture w = writePictureFile(cli.folder(), picture.bmp, sizeof(PhotoRecord::picturePath) - 1,
                                                      [&taken](int n) { return taken.contains(n); });
            if (w.result != PictureWriteResult::Written) {
                why = "the picture file could not be written into " + cli.folder().string();
            } else if (album.appendRecord(*name, w.file, plan->settings.colourMode, plan->category, user) !=
                       Album::AppendResult::Appended) {
                why = "the picture file's path is too long for the album";
                std::error_code ec;
                fs::remove(w.file, ec);
            } else {
                written.push_back(w.file);
                taken.insert(*pictureNumberOf(w.file, cli.folder()));
                if (options.privateFlag)
                    album.records[std::size_t(album.count - 1)].privateFlag = 1;
            }
        }
        if (!why.empty()) {
            if (progress)
                err << '\n';
            err << "handfolio-cli: " << file << ": " << why << '\n';
            ++refused;
        }
        if (progress)
            showProgress(err, i + 1, files.size());
        return why.empty() || !options.stopOnError;
    });

    const std::size_t added = written.size();
    if (!written.empty()) {
        if (!options.model.empty())
            copyField(album.header.lastModel, plan->model);
        const SaveResult result = cli.session().saveAlbum();
        if (result == SaveResult::Failed) {
            // No record names them: they go again.
            std::error_code ec;
            for (const fs::path& f : written)
                fs::remove(f, ec);
            err << "handfolio-cli: the album could not be saved; nothing was added\n";
        }
        if (result != SaveResult::Saved)
            return kCliAlbumFailed;
    }
    out << "Added " << added << " of " << files.size() << (files.size() == 1 ? " photo" : " photos")
        << " to the album of " << cli.user() << "; it holds " << cli.listed().size() << ".\n";
    return refused ? kCliSomeRefused : kCliDone;
}

}  // namespace hf
