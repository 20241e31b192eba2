// The Windows registry behind the AutoPlay seam; built on Windows only.
#include "AutoPlay.h"

#include <windows.h>

namespace hf {
namespace {

class Win32Registry final : public WindowsRegistry {
public:
    int platformId() override
    {
        OSVERSIONINFOA info{};
        info.dwOSVersionInfoSize = sizeof info;
#pragma warning(suppress : 4996)
        return GetVersionExA(&info) ? static_cast<int>(info.dwPlatformId) : 0;
    }

    std::optional<std::uint32_t> readValue(Root root, const std::string& key, const std::string& name) override
    {
        HKEY handle = nullptr;
        if (RegOpenKeyExA(hive(root), key.c_str(), 0, KEY_ALL_ACCESS, &handle) != ERROR_SUCCESS)
            return std::nullopt;
        DWORD value = 0;
        DWORD size = sizeof value;
        const LONG read =
            RegQueryValueExA(handle, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
        RegCloseKey(handle);
        if (read != ERROR_SUCCESS || size != sizeof value)
            return std::nullopt;
        return value;
    }

    void writeDword(Root root, const std::string& key, const std::string& name, std::uint32_t value) override
    {
        HKEY handle = nullptr;
        if (RegOpenKeyExA(hive(root), key.c_str(), 0, KEY_ALL_ACCESS, &handle) != ERROR_SUCCESS)
            return;
        const DWORD dword = value;
        RegSetValueExA(handle, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dword), sizeof dword);
        RegCloseKey(handle);
    }

private:
    static HKEY hive(Root root)
    {
        return root == Root::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    }
};

}  // namespace

std::unique_ptr<WindowsRegistry> makeWin32Registry()
{
    return std::make_unique<Win32Registry>();
}

}  // namespace hf
