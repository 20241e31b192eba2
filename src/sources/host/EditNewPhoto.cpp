#include "PhotoSourceHost.h"

#include "PictureEditorDlg.h"
#include "Text.h"

#include <memory>

namespace hf {

bool editNewPhoto(PhotoSourceHost& host, LBitmap picture, std::string proposedName)
{
    CPictureEditorDlg editor(host.profile(), host.boxes(), host.programFolder(), host.owner());
    editor.sourcePicture() = std::move(picture);
    editor.setPictureName(std::move(proposedName));
    // The editor's choice travels with the picture rather than into the
    // album's header at once: a reload while the editor is open replaces
    // that header.
    char model[sizeof AlbumHeader::lastModel] = {};
    copyField(model, host.lastHandheldModel());
    editor.setModelBuffer(model);
    // The album may fill up, or be read again, while the editor is open:
    // both are asked at Save, before the picture is written.
    auto taken = std::make_shared<std::set<int>>();
    editor.mayWrite = [&host, taken] {
        if (host.refuseWhenFull())
            return false;
        *taken = host.takenPictureNumbers();
        return true;
    };
    editor.numberTaken = [taken](int number) { return taken->contains(number); };
    if (editor.exec() != QDialog::Accepted)
        return false;
    return host.fileNewPicture(
        {editor.pictureName(), editor.pictureFilePath(), editor.colourMode(), std::string(fieldText(model))});
}

}  // namespace hf
