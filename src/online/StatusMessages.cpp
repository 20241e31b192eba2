#include "StatusMessages.h"

#include <algorithm>
#include <array>

namespace hf {
namespace {

constexpr std::string_view kPhotoNet = "PhotoNet Error";

struct Row {
    std::int32_t code;
    std::string_view caption;
    std::string_view text;
};

constexpr std::array kRows = {
    Row{1, kPhotoNet, "Checksum Error"},
    Row{2, "Communications Error",
        "There was a communications error.\n\nPlease be sure you are connected to the Internet and try again."},
    Row{3, kPhotoNet, "Packet Error"},
    Row{4, kPhotoNet, "Unexpected Value Error"},
    Row{5, "File Error",
        "There was an error writing the images to disk.\n\nPlease make sure the disk is not full and try again."},
    Row{6, kPhotoNet, "String Error"},
    Row{7, kPhotoNet, "Process Error"},
    Row{8, kPhotoNet, "Missing Field Error"},
    Row{48, kPhotoNet, "Need billing info."},
    Row{50, "Password Error", "That account and password was not found.\n\nPlease re-enter them and try again."},
    Row{51, kPhotoNet, "That image does not exist."},
    Row{52, kPhotoNet, "That film does not exist."},
    Row{53, kPhotoNet, "Sockets Error"},
    Row{54, kPhotoNet, "Handle Error"},
    Row{55, kPhotoNet, "Cancelled"},
    Row{56, kPhotoNet, "Invalid price sheet."},
    Row{57, kPhotoNet, "Invalid image format."},
    Row{62, kPhotoNet, "Don't"},
    Row{63, kPhotoNet, "Charge Error"},
    Row{65, kPhotoNet, "A film by that name already exists."},
    Row{66, kPhotoNet, "Invalid upload"},
    Row{67, kPhotoNet, "Unsupported operation."},
    Row{68, kPhotoNet, "Invalid thumbnail size"},
    Row{69, kPhotoNet, "Memory Error"},
    Row{70, kPhotoNet, "Billing Name Error"},
    Row{71, kPhotoNet, "Billing Phone Error"},
    Row{72, kPhotoNet, "Billing e-mail address error"},
    Row{73, kPhotoNet, "Billing Credit Card Error"},
    Row{80, kPhotoNet, "Billing Expiration Date Error"},
    Row{81, kPhotoNet, "Need password"},
    Row{82, kPhotoNet, "Too many images"},
    Row{83, kPhotoNet, "No such RSV"},
    Row{84, kPhotoNet, "Error getting RSV images number"},
    Row{85, kPhotoNet, "Unknown status"},
    Row{86, kPhotoNet, "Database Error"},
    Row{87, kPhotoNet, "Access denied."},
    Row{88, kPhotoNet, "Error writing file."},
    Row{89, kPhotoNet, "Server Prefix Error"},
    Row{90, kPhotoNet, "Callback Error"},
    Row{91, kPhotoNet, "Unknown film prefix"},
    Row{92, kPhotoNet, "Customer Name Error"},
    Row{93, kPhotoNet, "Scan Location Error"},
    Row{94, kPhotoNet, "Store Location Error"},
    Row{95, kPhotoNet, "Film ID Error"},
    Row{96, kPhotoNet, "Account Error"},
    Row{97, kPhotoNet, "Server failed"},
    Row{98, kPhotoNet, "No film rolls available"},
    Row{99, kPhotoNet, "Account already exists"},
    Row{100, kPhotoNet, "No images available"},
    Row{101, kPhotoNet, "Invalid overwrite"},
    Row{102, kPhotoNet, "Bad e-mail form."},
    Row{255, kPhotoNet, "Fatal Error"},
};

}  // namespace

std::optional<StatusText> statusText(std::int32_t code)
{
    if (code == 0 || code == 64)
        return std::nullopt;
    const auto it = std::find_if(kRows.begin(), kRows.end(), [code](const Row& r) { return r.code == code; });
    if (it == kRows.end())
        return StatusText{"Unknown Error", kPhotoNet};
    return StatusText{it->text, it->caption};
}

void showStatusMessage(std::int32_t code, MessageBoxes& boxes)
{
    if (const auto shown = statusText(code))
        boxes.show(shown->text, shown->caption, MsgStyle::Exclamation);
}

}  // namespace hf
