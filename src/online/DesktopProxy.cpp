#include "DesktopProxy.h"

#include <gio/gio.h>

#include <cstdlib>
#include <optional>

namespace hf {
namespace {

constexpr const char* kSchema = "org.gnome.system.proxy";
constexpr std::size_t kMaxServerText = 255;  // the Windows value's buffer less its terminator

struct GObjectUnref {
    void operator()(gpointer p) const { g_object_unref(p); }
};
using Settings = std::unique_ptr<GSettings, GObjectUnref>;

bool schemaInstalled(const char* id)
{
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    if (!source)
        return false;
    GSettingsSchema* schema = g_settings_schema_source_lookup(source, id, TRUE);
    if (!schema)
        return false;
    g_settings_schema_unref(schema);
    return true;
}

std::string stringKey(GSettings* settings, const char* key)
{
    gchar* value = g_settings_get_string(settings, key);
    std::string out = value ? value : "";
    g_free(value);
    return out;
}

std::string hostPort(const char* schema)
{
    if (!schemaInstalled(schema))
        return {};
    Settings s(g_settings_new(schema));
    const std::string host = stringKey(s.get(), "host");
    if (host.empty())
        return {};
    // An IPv6 address goes in brackets, as in a URL, so that its colons are
    // not taken for the one before the port.
    const bool bare6 = host.find(':') != std::string::npos && host.front() != '[';
    return (bare6 ? "[" + host + "]" : host) + ":" + std::to_string(g_settings_get_int(s.get(), "port"));
}

std::string environment(const char* lower, const char* upper)
{
    const char* v = std::getenv(lower);
    if (!v || !*v)
        v = std::getenv(upper);
    return v ? v : "";
}

std::string bareHostPort(std::string_view url)
{
    if (const auto scheme = url.find("://"); scheme != std::string_view::npos)
        url.remove_prefix(scheme + 3);
    if (const auto at = url.rfind('@'); at != std::string_view::npos)
        url.remove_prefix(at + 1);
    while (!url.empty() && url.back() == '/')
        url.remove_suffix(1);
    return std::string(url);
}

class DesktopInternetSettings final : public InternetSettings {
public:
    bool open() override
    {
        if (schemaInstalled(kSchema)) {
            Settings s(g_settings_new(kSchema));
            enabled_ = stringKey(s.get(), "mode") == "manual";
            const std::string http = hostPort("org.gnome.system.proxy.http");
            const std::string https = hostPort("org.gnome.system.proxy.https");
            text_.clear();
            if (!http.empty())
                text_ = "http=" + http;
            if (!https.empty())
                text_ += (text_.empty() ? "" : ";") + std::string("https=") + https;
        } else {
            const std::string http = environment("http_proxy", "HTTP_PROXY");
            const std::string https = environment("https_proxy", "HTTPS_PROXY");
            enabled_ = !http.empty() || !https.empty();
            text_ = windowsProxyText(http, https);
        }
        return true;
    }
    std::optional<std::uint32_t> proxyEnable() override { return enabled_ ? 1u : 0u; }
    std::optional<std::string> proxyServer() override
    {
        if (text_.empty() || text_.size() > kMaxServerText)
            return std::nullopt;
        return text_;
    }

private:
    bool enabled_ = false;
    std::string text_;
};

}  // namespace

std::string windowsProxyText(std::string_view httpUrl, std::string_view httpsUrl)
{
    std::string text;
    if (!httpUrl.empty())
        text = "http=" + bareHostPort(httpUrl);
    if (!httpsUrl.empty())
        text += (text.empty() ? "" : ";") + std::string("https=") + bareHostPort(httpsUrl);
    return text;
}

std::unique_ptr<InternetSettings> makeDesktopInternetSettings()
{
    return std::make_unique<DesktopInternetSettings>();
}

}  // namespace hf
