#pragma once

// The desktop's proxy settings in the Windows form the proxy settings take
// over on first use: GNOME's org.gnome.system.proxy where its schema is
// installed ("manual" is switched on, "none" and "auto" are not), else the
// http_proxy and https_proxy variables of the environment.

#include "ProxySettings.h"

#include <memory>
#include <string>
#include <string_view>

namespace hf {

std::unique_ptr<InternetSettings> makeDesktopInternetSettings();

// "http=host:port;https=host:port" from proxy URLs as the environment
// writes them (scheme, user:password@ and a trailing "/" are dropped);
// an empty URL leaves its entry out.
std::string windowsProxyText(std::string_view httpUrl, std::string_view httpsUrl);

}  // namespace hf
