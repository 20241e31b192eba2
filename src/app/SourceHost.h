#pragma once

#include "AlbumWindow.h"
#include "Text.h"

namespace hf {

// The Album window as the photo sources see it.
class AlbumWindow::SourceHost final : public PhotoSourceHost {
public:
    explicit SourceHost(AlbumWindow& window) : window_(window) {}

    MessageBoxes& boxes() override { return window_.boxes(); }
    Profile& profile() override { return window_.profile(); }
    std::filesystem::path programFolder() const override { return window_.programFolder(); }
    bool refuseWhenFull() override { return window_.controller_.refuseWhenFull(); }
    std::string lastHandheldModel() const override
    {
        return std::string(fieldText(window_.controller_.album().header.lastModel));
    }
    bool fileNewPicture(const NewPicture& picture) override { return window_.fileNewPicture(picture); }
    std::set<int> takenPictureNumbers() const override { return window_.controller_.takenPictureNumbers(); }
    void setCommandBlocked(int id, bool blocked) override { window_.setCommandBlocked(id, blocked); }
    QWidget* owner() override { return &window_; }
    QFrame* previewPane() override;
    void addSourceCommand(SourceCommand command) override { window_.addSourceCommand(std::move(command)); }
    void whenClosing(std::function<void()> stop) override { window_.closing_.push_back(std::move(stop)); }

private:
    AlbumWindow& window_;
};

}  // namespace hf
