#include "PhotoSources.h"

#include "AlbumWindow.h"
#include "DesktopProxy.h"
#include "DownloadCommand.h"
#include "PasteCommand.h"
#include "ScanCommand.h"
#include "ScreenCaptureCommand.h"

namespace hf::test {

void addPhotoSources(AlbumWindow& window)
{
    PhotoSourceHost& host = window.sourceHost();
    new PasteCommand(host);
    new ScanCommand(host);
    new ScreenCaptureCommand(host);
    new DownloadCommand(host, makeDesktopInternetSettings());
}

}  // namespace hf::test
