#include "GSettingsAutoPlay.h"

#include <gio/gio.h>

namespace hf {
namespace {

constexpr const char* kSchema = "org.gnome.desktop.media-handling";
constexpr const char* kKey = "autorun-never";

struct GObjectUnref {
    void operator()(gpointer p) const { g_object_unref(p); }
};

class GSettingsAutoPlay final : public AutoPlayBackend {
public:
    explicit GSettingsAutoPlay(GSettings* settings) : settings_(settings) {}
    std::optional<std::uint32_t> read() override
    {
        if (!g_settings_is_writable(settings_.get(), kKey))
            return std::nullopt;
        return g_settings_get_boolean(settings_.get(), kKey) ? 1u : 0u;
    }
    void write(std::uint32_t value) override
    {
        g_settings_set_boolean(settings_.get(), kKey, value != 0);
        g_settings_sync();
    }
    std::uint32_t suppressed(std::uint32_t) const override { return 1; }

private:
    std::unique_ptr<GSettings, GObjectUnref> settings_;
};

}  // namespace

std::unique_ptr<AutoPlayBackend> makeGSettingsAutoPlay()
{
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    if (!source)
        return nullptr;
    GSettingsSchema* schema = g_settings_schema_source_lookup(source, kSchema, TRUE);
    if (!schema)
        return nullptr;
    const bool hasKey = g_settings_schema_has_key(schema, kKey);
    g_settings_schema_unref(schema);
    if (!hasKey)
        return nullptr;
    return std::make_unique<GSettingsAutoPlay>(g_settings_new(kSchema));
}

}  // namespace hf
