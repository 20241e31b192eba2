#include "ProxySettings.h"

#include <atomic>
#include <cstring>

namespace hf {
namespace {

constexpr std::string_view kSection = "Proxy";
constexpr std::string_view kCantConnectText = "There were problems connecting to your proxy server.\n\n"
                                              "If you wish to configure your proxy server connection, press Yes.";
constexpr std::string_view kCantConnectCaption = "Can't Connect";

std::atomic<ProxyAnswerer*> currentAnswerer{nullptr};

}  // namespace

std::optional<WindowsProxyEntry> parseWindowsProxyText(std::string_view text)
{
    std::string upper(text);
    for (auto& c : upper)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    const auto http = upper.find("HTTP");
    if (http == std::string::npos)
        return std::nullopt;
    const auto equals = upper.find('=', http);
    if (equals == std::string::npos)
        return std::nullopt;
    const auto entryEnd = upper.find(';', equals + 1);
    // An IPv6 address is written in brackets ("[::1]:3128"): its own colons
    // are part of the host, which keeps its brackets for the connection.
    std::size_t hostEnd = equals + 1;
    if (hostEnd < upper.size() && upper[hostEnd] == '[') {
        const auto bracket = upper.find(']', hostEnd);
        if (bracket != std::string::npos && (entryEnd == std::string::npos || bracket < entryEnd))
            hostEnd = bracket + 1;
    }
    // An entry whose own text holds no colon (the next ";" comes first) has
    // a host and no port, rather than a host that runs into the next entry.
    const auto colon = upper.find(':', hostEnd);
    if (colon == std::string::npos || (entryEnd != std::string::npos && entryEnd < colon))
        return WindowsProxyEntry{
            upper.substr(equals + 1, entryEnd == std::string::npos ? entryEnd : entryEnd - equals - 1), ""};
    const auto semicolon = upper.find(';', colon + 1);
    const auto portEnd = semicolon == std::string::npos ? upper.size() : semicolon;
    return WindowsProxyEntry{upper.substr(equals + 1, colon - equals - 1),
                             upper.substr(colon + 1, portEnd - colon - 1)};
}

std::uint16_t proxyPortFromText(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    std::uint32_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value * 10 + std::uint32_t(text[i] - '0');
    if (negative)
        value = 0u - value;
    return std::uint16_t(value & 0xFFFF);
}

void copyProxyText(char (&field)[kProxyTextSize], std::string_view text)
{
    const auto continues = [&](std::size_t i) { return (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80; };
    std::size_t n = std::min(text.size(), kProxyTextSize - 1);
    if (n < text.size()) {
        // Keep a character whole; a character has at most three bytes after
        // its first, so a longer run of them is no character to keep.
        std::size_t start = n;
        while (start > 0 && n - start < 3 && continues(start))
            --start;
        if (!continues(start))
            n = start;
    }
    std::memset(field, 0, kProxyTextSize);
    std::memcpy(field, text.data(), n);
}

void saveProxySettings(const ProxySettings& s, Profile& profile)
{
    profile.setInt(kSection, "Init", 1);
    profile.setInt(kSection, "ProxyEnable", s.enable);
    profile.setString(kSection, "ProxyName", s.host);
    profile.setInt(kSection, "ProxyPort", s.port);
    profile.setString(kSection, "ProxyUserId", s.user);
    profile.setString(kSection, "ProxyPassword", s.password);
}

void writeProxyDefaults(ProxySettings& s, Profile& profile)
{
    copyProxyText(s.host, "");
    copyProxyText(s.user, "");
    copyProxyText(s.password, "");
    s.port = 0;
    profile.setInt(kSection, "Init", 1);
    profile.setInt(kSection, "ProxyEnable", 0);
    profile.setString(kSection, "ProxyName", "");
    profile.setInt(kSection, "ProxyPort", 0);
    profile.setString(kSection, "ProxyUserId", "");
    profile.setString(kSection, "ProxyPassword", "");
}

void loadProxySettings(ProxySettings& s, Profile& profile, InternetSettings& windows)
{
    if (profile.getInt(kSection, "Init", 0) != 0) {
        s.enable = profile.getInt(kSection, "ProxyEnable", 0);
        copyProxyText(s.host, profile.getString(kSection, "ProxyName", ""));
        s.port = std::uint16_t(profile.getInt(kSection, "ProxyPort", 0) & 0xFFFF);
        copyProxyText(s.user, profile.getString(kSection, "ProxyUserId", ""));
        copyProxyText(s.password, profile.getString(kSection, "ProxyPassword", ""));
        return;
    }
    if (!windows.open())
        return writeProxyDefaults(s, profile);
    const auto enabled = windows.proxyEnable();
    if (!enabled || *enabled == 0)
        return writeProxyDefaults(s, profile);
    const auto server = windows.proxyServer();
    if (!server)
        return writeProxyDefaults(s, profile);
    const auto entry = parseWindowsProxyText(*server);
    if (!entry)
        return writeProxyDefaults(s, profile);
    s.enable = 1;
    copyProxyText(s.host, entry->host);
    s.port = proxyPortFromText(entry->portText);
    copyProxyText(s.user, "");
    copyProxyText(s.password, "");
    saveProxySettings(s, profile);
}

void ProxyAnswerer::fill(opc::ProxyRecord* record) const
{
    // The references point into the settings, which live for the whole run.
    record->host = settings_.enable ? settings_.host : "";
    record->port = settings_.port;
    record->user = settings_.user;
    record->password = settings_.password;
}

int ProxyAnswerer::answer(opc::ProxyRecord* record, std::int32_t reason)
{
    if (!record)
        return 0;
    if (reason == opc::kProxyAsk) {
        fill(record);
        return 1;
    }
    if (reason != opc::kProxyFailed)
        return 1;
    if (boxes_.show(kCantConnectText, kCantConnectCaption, MsgStyle::YesNo) != MsgAnswer::Yes)
        return 0;
    if (!dialog_.runProxyDialog())
        return 0;
    fill(record);
    return 1;
}

void setProxyAnswerer(ProxyAnswerer* answerer)
{
    currentAnswerer.store(answerer);
}

int proxyCallback(void*, opc::ProxyRecord* record, std::int32_t reason)
{
    ProxyAnswerer* answerer = currentAnswerer.load();
    return answerer ? answerer->answer(record, reason) : 1;
}

}  // namespace hf
