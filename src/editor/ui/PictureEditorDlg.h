#pragma once

#include "AlbumFormat.h"
#include "EditorSettings.h"
#include "LBitmap.h"
#include "MessageBoxes.h"
#include "Profile.h"
#include "Render.h"

#include <QDialog>

#include <filesystem>
#include <functional>
#include <string>

class QComboBox;
class QLabel;
class QRadioButton;
class QSlider;

namespace hf {

class CropFrameWidget;
class PixelExactLabel;

// Every new photo passes through here: the user frames it, chooses the
// handheld model, the colour mode and the contrast while the result shows at
// its real size, and Save writes the handheld picture into the program folder.
class CPictureEditorDlg final : public QDialog {
    Q_OBJECT
public:
    static constexpr int kViewSize = 240;
    static constexpr const char* kCaption = "Handfolio Picture Editor";

    CPictureEditorDlg(Profile& profile, MessageBoxes& boxes, std::filesystem::path programFolder,
                      QWidget* parent = nullptr);
    ~CPictureEditorDlg() override;
    Q_DISABLE_COPY_MOVE(CPictureEditorDlg)

    // Filled by the photo source before the run; never empty when run.
    LBitmap& sourcePicture() { return source_; }
    // The proposed name before the run, the confirmed one after Save
    // (Windows-1252 bytes, at most 15).
    void setPictureName(std::string name) { pictureName_ = std::move(name); }
    const std::string& pictureName() const { return pictureName_; }
    // The caller's model field: preselected, and overwritten on Save.
    void setModelBuffer(char (&buffer)[40]) { model_ = &buffer; }
    // Asked on Save before anything is written: false (after the caller has
    // said why) keeps the editor open, as when the album filled up meanwhile.
    std::function<bool()> mayWrite;
    // Picture numbers the album's records name, which a new file must not use.
    std::function<bool(int)> numberTaken;

    const std::filesystem::path& pictureFilePath() const { return pictureFile_; }
    int colourMode() const { return colourMode_; }
    int contrast() const { return contrast_; }
    const LBitmap& handheldPicture() const { return renderer_.handheldPicture(); }
    int renderCount() const { return renders_; }
    CropFrameWidget* cropFrame() const { return crop_; }

    // The start of a run: settings, model, layout and the first render.
    void initialise();
    int exec() override;
    void accept() override;
    void reject() override;

private:
    void buildControls();
    void render();
    void modelChosen(bool renderIfChanged);
    void colourButtonClicked(int mode);
    void contrastChanged(int position);
    void writeSettings();

    Profile& profile_;
    MessageBoxes& boxes_;
    std::filesystem::path programFolder_;
    LBitmap source_;
    std::string pictureName_;
    char (*model_)[40] = nullptr;
    std::filesystem::path pictureFile_;
    int colourMode_ = 3;
    int contrast_ = 0;
    bool initialised_ = false;
    int renders_ = 0;
    SourceLayout layout_;
    Renderer renderer_;

    CropFrameWidget* crop_ = nullptr;
    PixelExactLabel* result_ = nullptr;
    QRadioButton* gray4_ = nullptr;
    QRadioButton* gray16_ = nullptr;
    QRadioButton* colour_ = nullptr;
    QSlider* slider_ = nullptr;
    QComboBox* models_ = nullptr;
};

}  // namespace hf
