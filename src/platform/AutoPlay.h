#pragma once

#include "Profile.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace hf {

// Where the desktop keeps its "play inserted media automatically" setting.
class AutoPlayBackend {
public:
    virtual ~AutoPlayBackend() = default;
    // The current value, or nothing when the setting cannot be reached with
    // write access; then nothing is changed and nothing restored.
    virtual std::optional<std::uint32_t> read() = 0;
    virtual void write(std::uint32_t value) = 0;
    // The value that keeps inserted discs from starting anything.
    virtual std::uint32_t suppressed(std::uint32_t saved) const = 0;
};

// Keeps inserted discs from starting other programs while Handfolio runs
// (synchronising cradles and card readers show up as media), and puts the
// desktop's setting back afterwards. The saved value is also kept in the
// profile, so a start after a crash first puts back what the crashed run
// changed.
class AutoPlay {
public:
    AutoPlay(std::unique_ptr<AutoPlayBackend> backend, Profile& profile);
    ~AutoPlay();
    AutoPlay(const AutoPlay&) = delete;
    AutoPlay& operator=(const AutoPlay&) = delete;

    void suppress();
    void restore();
    bool changed() const { return changed_; }

private:
    std::unique_ptr<AutoPlayBackend> backend_;
    Profile& profile_;
    std::uint32_t saved_ = 0;
    bool changed_ = false;
};

// The registry of the Windows desktop, reduced to what AutoPlay needs.
class WindowsRegistry {
public:
    enum class Root { LocalMachine, CurrentUser };
    virtual ~WindowsRegistry() = default;
    // The platform ID of the running Windows: 2 for the NT family.
    virtual int platformId() = 0;
    // Opens the key with full access and reads a 4-byte value.
    virtual std::optional<std::uint32_t> readValue(Root root, const std::string& key, const std::string& name) = 0;
    // Writes the value as a 32-bit number (REG_DWORD).
    virtual void writeDword(Root root, const std::string& key, const std::string& name, std::uint32_t value) = 0;
};

// The Windows setting: on the NT family the CD-ROM driver's "Autorun"
// (0 while Handfolio runs), elsewhere Explorer's "NoDriveTypeAutoRun" policy
// with the CD-ROM drive type bit 0x20 set.
std::unique_ptr<AutoPlayBackend> makeWindowsAutoPlay(WindowsRegistry& registry);

#ifdef _WIN32
std::unique_ptr<WindowsRegistry> makeWin32Registry();
#endif

}  // namespace hf
