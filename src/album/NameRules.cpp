#include "NameRules.h"

#include "AlbumFormat.h"
#include "Text.h"

namespace hf {
namespace {

std::string_view fileNamePart(std::string_view path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string proposedNameForChosenFile(std::string_view path)
{
    std::string_view name = fileNamePart(path);
    if (const auto dot = name.find_last_of('.'); dot != std::string_view::npos)
        name = name.substr(0, dot);
    return leftChars(name, kMaxPictureName);
}

std::string proposedNameForDroppedFile(std::string_view path)
{
    std::string_view name = fileNamePart(path);
    if (const auto dot = name.find_last_of('.'); dot != std::string_view::npos && dot > 0)
        name = name.substr(0, dot);
    return std::string(name);
}

}  // namespace hf
