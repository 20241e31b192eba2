#include "AutoPlay.h"

namespace hf {
namespace {

constexpr const char* kSection = "AutoPlay";
constexpr const char* kSaved = "Saved";
constexpr const char* kPending = "Pending";

class WindowsAutoPlay final : public AutoPlayBackend {
public:
    explicit WindowsAutoPlay(WindowsRegistry& registry) : registry_(registry)
    {
        nt_ = registry_.platformId() == 2;
        if (nt_) {
            root_ = WindowsRegistry::Root::LocalMachine;
            key_ = "System\\CurrentControlSet\\Services\\CdRom";
            name_ = "Autorun";
        } else {
            root_ = WindowsRegistry::Root::CurrentUser;
            key_ = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
            name_ = "NoDriveTypeAutoRun";
        }
    }
    std::optional<std::uint32_t> read() override { return registry_.readValue(root_, key_, name_); }
    void write(std::uint32_t value) override { registry_.writeDword(root_, key_, name_, value); }
    std::uint32_t suppressed(std::uint32_t saved) const override { return nt_ ? 0u : (saved | 0x20u); }

private:
    WindowsRegistry& registry_;
    bool nt_ = false;
    WindowsRegistry::Root root_{};
    std::string key_;
    std::string name_;
};

}  // namespace

std::unique_ptr<AutoPlayBackend> makeWindowsAutoPlay(WindowsRegistry& registry)
{
    return std::make_unique<WindowsAutoPlay>(registry);
}

AutoPlay::AutoPlay(std::unique_ptr<AutoPlayBackend> backend, Profile& profile)
    : backend_(std::move(backend)), profile_(profile)
{
}

AutoPlay::~AutoPlay()
{
    restore();
}

void AutoPlay::suppress()
{
    changed_ = false;
    if (!backend_)
        return;
    // A run that ended without restoring left its saved value behind.
    if (profile_.getInt(kSection, kPending, 0) != 0) {
        if (backend_->read())
            backend_->write(static_cast<std::uint32_t>(profile_.getInt(kSection, kSaved, 0)));
        profile_.setInt(kSection, kPending, 0);
    }
    const auto value = backend_->read();
    if (!value)
        return;
    saved_ = *value;
    profile_.setInt(kSection, kSaved, static_cast<int>(saved_));
    profile_.setInt(kSection, kPending, 1);
    backend_->write(backend_->suppressed(saved_));
    changed_ = true;
}

void AutoPlay::restore()
{
    if (!changed_)
        return;
    changed_ = false;
    backend_->write(saved_);
    profile_.setInt(kSection, kPending, 0);
}

}  // namespace hf
