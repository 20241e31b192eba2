// handfolio-cli as a user runs it: a real process on a temporary handheld
// desktop folder, its album read back afterwards.
#include "Album.h"
#include "AlbumLock.h"
#include "FileHandheldDesktop.h"
#include "HandheldModels.h"
#include "ImageIO.h"
#include "ModalHelper.h"
#include "PictureEditorDlg.h"
#include "RecordingMessageBoxes.h"
#include "TempDir.h"
#include "Text.h"

#include <QImage>
#include <QPainter>
#include <QPushButton>

#include <gtest/gtest.h>

#include <cstdio>
#include <sys/wait.h>

namespace fs = std::filesystem;
using namespace hf;
using namespace hf::test;

namespace {

struct CliRun {
    int status = -1;
    std::string out;
};

class Cli : public ::testing::Test {
protected:
    Cli()
    {
        fs::create_directories(palm);
        writeFile(palm / "users.ini",
                  "[Users]\nCount=2\nUser0=Ann\nFolder0=ann\nUser1=Bob\nFolder1=bob\n[Creators]\nWz4k=Handfolio\n");
        fs::create_directories(palm / "ann");
        fs::create_directories(palm / "bob");
        photo(dir / "Summer holiday at the lake.jpg", 1200, 900);
        photo(dir / "tall.png", 90, 300);
        writeFile(dir / "broken.jpg", "not a picture");
    }
    static void photo(const fs::path& file, int w, int h)
    {
        QImage image(w, h, QImage::Format_RGB32);
        QPainter p(&image);
        p.fillRect(image.rect(), QColor(40, 110, 200));
        p.setBrush(QColor(240, 210, 60));
        p.drawEllipse(QRect(w / 5, h / 5, w / 2, h / 2));
        p.fillRect(0, 0, w / 3, h / 6, QColor(200, 30, 30));
        p.end();
        ASSERT_TRUE(image.save(QString::fromStdString(file.string())));
    }
    // The command with both output streams, run in the test folder.
    CliRun cli(const std::string& args) const
    {
        const std::string command = "cd '" + dir.path().string() + "' && HANDFOLIO_PALM_DIR='" + palm.string() +
                                    "' XDG_CONFIG_HOME='" + (dir / "config").string() + "' " HANDFOLIO_CLI " " + args +
                                    " 2>&1";
        CliRun run;
        FILE* pipe = ::popen(command.c_str(), "r");
        for (char buffer[4096]; pipe && std::fgets(buffer, sizeof buffer, pipe);)
            run.out += buffer;
        const int status = pipe ? ::pclose(pipe) : -1;
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return run;
    }
    std::unique_ptr<Album> album(const char* user = "ann") const
    {
        auto a = std::make_unique<Album>();
        RecordingMessageBoxes quiet;
        a->loadAlbum(palm / user / "Handfolio", quiet);
        return a;
    }

    TempDir dir;
    fs::path palm = dir / "palm";
};

struct Step {
    const char* args;
    int status;
    const char* says;  // found in the output
};

// One album's life through every command; each step's exit status and what
// it says, then the album as the album reader and as bytes.
TEST_F(Cli, EveryCommandDoesWhatItSaysAndSaysWhyNot)
{
    const std::vector<Step> steps = {
        {"users", 0, "Ann\nBob\n"},
        {"add 'Summer holiday at the lake.jpg' tall.png broken.jpg", 1, "broken.jpg: the picture file cannot be read"},
        {"add --user Bob --category Business --private --model 'Palm III' --name Beach tall.png", 0, "Added 1 of 1"},
        {"add --name 'Much too long a name' tall.png", 2, "does not fit"},
        {"add --name Two tall.png tall.png", 2, "--name names one photo"},
        {"add --model 'Palm Zero' tall.png", 2, "unknown handheld model"},
        {"add --model 'Palm III' --mode colour tall.png", 2, "cannot show this colour mode"},
        {"add --crop 0,0,0,5 tall.png", 2, "--crop takes"},
        {"add --crop 5000,5000,10,10 tall.png", 1, "the crop holds no part"},
        {"add --user Nobody tall.png", 2, "no handheld user \"Nobody\""},
        {"move 2 1", 0, "Moved photo 2 to 1"},
        {"move 1 9", 1, "has no photo 9"},
        {"list", 0, "   1  tall            Unfiled         colour\n   2  Summer holiday  Unfiled"},
        {"list --json --user Bob", 0,
         "\"name\": \"Beach\", \"category\": \"Business\", \"private\": true, \"mode\": \"gray4\""},
        {"export pictures", 0, "Wrote 2 pictures"},
        {"remove 1", 0, "Removed 1 photo"},
        {"frob", 2, "unknown command"},
    };
    for (const Step& s : steps) {
        const CliRun run = cli(s.args);
        EXPECT_EQ(run.status, s.status) << s.args << "\n" << run.out;
        EXPECT_NE(run.out.find(s.says), std::string::npos) << s.args << "\n" << run.out;
    }

    const auto ann = album();
    ASSERT_EQ(ann->count, 2);
    EXPECT_EQ(ann->records[0].deleted, 1) << "tall, moved first, then removed";
    EXPECT_EQ(fieldText(ann->records[1].pictureName), "Summer holiday ") << "cut to 15 as intake proposes";
    EXPECT_EQ(QImage(QString::fromStdString((dir / "pictures" / "Summer holiday .png").string())).size(),
              QSize(160, 160));
    // Bob's one record, by its bytes: name, private flag, category, mode.
    const std::string bytes = readFile(palm / "bob" / "Handfolio" / "Photos.dat");
    ASSERT_EQ(bytes.size(), 384u + 360u);
    EXPECT_EQ(bytes.substr(384 + 54, 6), std::string("Beach\0", 6));
    EXPECT_EQ(int32At(bytes, 384 + 336), 1) << "4 grays on a Palm III";
    EXPECT_EQ(int32At(bytes, 384 + 340), 1);
    EXPECT_EQ(int32At(bytes, 384 + 352), 2) << "Business";
    EXPECT_EQ(std::string(bytes.data() + 12), "Palm III") << "the model chosen is the album's now";
}

// While Handfolio has the album open the command changes nothing and says
// who has it.
TEST_F(Cli, RefusesAnAlbumAnotherProgramHasOpen)
{
    ASSERT_EQ(cli("add tall.png").status, 0);
    const std::string before = readFile(palm / "ann" / "Handfolio" / "Photos.dat");
    const AlbumLock held = AlbumLock::take(palm / "ann" / "Handfolio", "Handfolio");
    ASSERT_TRUE(held.held());
    for (const char* args : {"add tall.png", "remove 1", "move 1 1"}) {
        const CliRun run = cli(args);
        EXPECT_EQ(run.status, 3) << args;
        EXPECT_NE(run.out.find("is open in Handfolio (process "), std::string::npos) << run.out;
    }
    EXPECT_EQ(cli("list").status, 0) << "looking is allowed";
    EXPECT_EQ(readFile(palm / "ann" / "Handfolio" / "Photos.dat"), before);
}

class EditorEquality : public Cli, public ::testing::WithParamInterface<const char*> {};

// The same photo, model and settings give the same picture file, byte for
// byte, from the editor's Save and from the command line.
TEST_P(EditorEquality, TheCommandLineWritesWhatTheEditorSaves)
{
    const std::string model = GetParam();
    const fs::path editorFolder = dir / "editor";
    fs::create_directories(editorFolder);
    MemoryProfile profile;
    profile.setInt(kParametersSection, kGrayLevelValue, 2);
    profile.setInt(kParametersSection, kContrastValue, 250);
    RecordingMessageBoxes boxes;
    CPictureEditorDlg editor(profile, boxes, editorFolder);
    editor.sourcePicture() = loadBitmap(dir / "Summer holiday at the lake.jpg");
    char modelField[40] = {};
    copyField(modelField, model);
    editor.setModelBuffer(modelField);
    ModalHandler name([](QWidget* w) { clickButton(w, "OK"); }, 5000, "131");
    editor.initialise();
    editor.findChild<QPushButton*>("1")->click();
    ASSERT_FALSE(editor.pictureFilePath().empty());

    const int mode = applyModelRule(kHandheldModels[std::size_t(*findHandheldModel(model))].kind, 2).colourMode;
    const char* modeName = mode == 1 ? "gray4" : mode == 2 ? "gray16" : "colour";
    const CliRun run =
        cli("add --model '" + model + "' --mode " + modeName + " --contrast 250 'Summer holiday at the lake.jpg'");
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(readFile(palm / "ann" / "Handfolio" / "p0.bmp"), readFile(editor.pictureFilePath())) << modeName;
}

INSTANTIATE_TEST_SUITE_P(Models, EditorEquality, ::testing::Values("Palm III", "Palm V", "Palm m505"));

}  // namespace
