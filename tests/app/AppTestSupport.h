#pragma once

#include "AlbumWindow.h"
#include "FileHandheldDesktop.h"
#include "RecordingMessageBoxes.h"
#include "TempDir.h"
#include "Text.h"

#include <QAction>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace hf::test {

// Message boxes that also note each message in a shared log, so tests can
// check what happened in which order.
class LoggingBoxes final : public MessageBoxes {
public:
    explicit LoggingBoxes(std::vector<std::string>& log) : log_(log) {}
    MsgAnswer show(std::string_view text, std::string_view caption, MsgStyle style) override
    {
        log_.push_back("box:" + std::string(caption));
        return recorded.show(text, caption, style);
    }
    RecordingMessageBoxes recorded;

private:
    std::vector<std::string>& log_;
};

// An AutoPlay setting held in memory.
class FakeAutoPlay final : public AutoPlayBackend {
public:
    explicit FakeAutoPlay(std::shared_ptr<std::optional<std::uint32_t>> value) : value_(std::move(value)) {}
    std::optional<std::uint32_t> read() override { return *value_; }
    void write(std::uint32_t v) override { *value_ = v; }
    std::uint32_t suppressed(std::uint32_t) const override { return 1; }

private:
    std::shared_ptr<std::optional<std::uint32_t>> value_;
};

// Asks the running program to reload, from another process as the
// synchronisation does, and waits for the answer while serving events;
// true when the call was answered without an error.
bool sendReloadOverTheBus();

// A handheld desktop folder with users "Ann" and "Bob", an album window on
// it, and helpers to make albums and picture files.
class WindowFixture {
public:
    WindowFixture();
    ~WindowFixture();
    WindowFixture(const WindowFixture&) = delete;
    WindowFixture& operator=(const WindowFixture&) = delete;
    WindowFixture(WindowFixture&&) = delete;
    WindowFixture& operator=(WindowFixture&&) = delete;

    std::filesystem::path folderOf(const std::string& user) const;
    // Writes a picture file the way the editor does: 160 x 160, 8-bit BMP.
    static void writePicture(const std::filesystem::path& file, QColor colour);
    // Writes an album for a user: one record per name, pictures p<i>.bmp,
    // categories as given (0 when the list is shorter).
    void writeAlbum(const std::string& user, const std::vector<std::string>& names,
                    const std::vector<int>& categories = {},
                    const std::vector<std::string>& extraCategories = {}) const;
    std::unique_ptr<Album> readAlbum(const std::string& user) const;

    // Makes and initialises the window (the splash only noted in the log).
    AlbumWindow& open();
    void close() { window.reset(); }

    template <typename T> T* child(const char* id) const { return window->findChild<T*>(QString::fromLatin1(id)); }
    QListWidget* list() const { return child<QListWidget>("1005"); }
    QPushButton* button(const char* id) const { return child<QPushButton>(id); }
    QString label(const char* id) const { return child<QLabel>(id)->text(); }
    // A menu command by its id.
    QAction* command(int id) const { return window->findChild<QAction*>(QString::number(id)); }
    QStringList rows() const;
    // The colour of the preview pane at a point.
    QColor previewAt(int x, int y) const;
    std::string prefsUser() const { return profile.getString("Prefs", "PrevUser", ""); }

    TempDir dir;
    std::vector<std::string> log;
    LoggingBoxes boxes{log};
    MemoryProfile profile;
    std::unique_ptr<FileHandheldDesktop> desktop;
    std::shared_ptr<std::optional<std::uint32_t>> autoPlayValue = std::make_shared<std::optional<std::uint32_t>>(0);
    std::unique_ptr<AlbumWindow> window;
};

}  // namespace hf::test
