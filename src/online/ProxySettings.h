#pragma once

// The program's one set of proxy settings: kept in the profile section
// "Proxy", taken over once from the desktop's settings, and handed to the
// client library through its proxy callback.

#include "OpcClient.h"
#include "Profile.h"
#include "ServiceUi.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace hf {

inline constexpr std::size_t kProxyTextSize = 80;  // 79 bytes and a terminator

struct ProxySettings {
    std::int32_t enable = 0;
    char host[kProxyTextSize] = {};
    std::uint16_t port = 0;
    char user[kProxyTextSize] = {};
    char password[kProxyTextSize] = {};
};

// The computer's proxy settings in the Windows form: a switch and a text
// such as "http=cache:80;https=cache:443". On Linux they come from the
// desktop (see DesktopProxy.h).
class InternetSettings {
public:
    virtual ~InternetSettings() = default;
    virtual bool open() = 0;
    virtual std::optional<std::uint32_t> proxyEnable() = 0;
    // Missing, or longer than 255 bytes: nothing.
    virtual std::optional<std::string> proxyServer() = 0;
};

struct WindowsProxyEntry {
    std::string host;      // in capitals
    std::string portText;  // as found
};

// The first HTTP entry of a Windows proxy text. The whole text is put in
// capitals first, and the first "HTTP" wins, so an HTTPS entry written
// before the HTTP one is the one found. An entry without a colon of its own
// has its whole text up to the next ";" as host and no port text. A host in
// brackets (an IPv6 address) is kept whole, brackets included.
std::optional<WindowsProxyEntry> parseWindowsProxyText(std::string_view text);

// A port typed as text: optional white space and sign, the digits up to
// the first other character (0 when there are none), its low 16 bits.
std::uint16_t proxyPortFromText(std::string_view text);

// Copies text into a fixed field, cut to the field's capacity on a UTF-8
// character boundary, always terminated.
void copyProxyText(char (&field)[kProxyTextSize], std::string_view text);

void loadProxySettings(ProxySettings& settings, Profile& profile, InternetSettings& windows);
void writeProxyDefaults(ProxySettings& settings, Profile& profile);
// The profile section as the Proxy dialog's OK writes it.
void saveProxySettings(const ProxySettings& settings, Profile& profile);

// Answers the library's proxy callback. Reason -1 gets the settings; an
// unchecked "&Use a Proxy Server" box answers with an empty host, which the
// library takes as a direct connection. Reason 0 asks the user whether to
// correct the settings and, on Yes, runs the Proxy dialog.
class ProxyAnswerer {
public:
    ProxyAnswerer(ProxySettings& settings, MessageBoxes& boxes, ProxyDialogRunner& dialog)
        : settings_(settings), boxes_(boxes), dialog_(dialog)
    {
    }
    int answer(opc::ProxyRecord* record, std::int32_t reason);

private:
    void fill(opc::ProxyRecord* record) const;
    ProxySettings& settings_;
    MessageBoxes& boxes_;
    ProxyDialogRunner& dialog_;
};

// The function to register with OpcSetProxyCallback: it forwards to the
// answerer set here, which must outlive every library call (null: every
// call is answered with 1 and the record left alone).
void setProxyAnswerer(ProxyAnswerer* answerer);
int proxyCallback(void* library, opc::ProxyRecord* record, std::int32_t reason);

}  // namespace hf
