#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>

namespace hf {

// The program's settings, by section and value name, read with a default.
// Strings are UTF-8.
class Profile {
public:
    virtual ~Profile() = default;
    virtual int getInt(std::string_view section, std::string_view name, int fallback) const = 0;
    virtual void setInt(std::string_view section, std::string_view name, int value) = 0;
    virtual std::string getString(std::string_view section, std::string_view name, std::string_view fallback) const = 0;
    virtual void setString(std::string_view section, std::string_view name, std::string_view value) = 0;
};

// Settings held in memory only; for tests and for a program run that must not
// touch the user's settings.
class MemoryProfile final : public Profile {
public:
    int getInt(std::string_view section, std::string_view name, int fallback) const override;
    void setInt(std::string_view section, std::string_view name, int value) override;
    std::string getString(std::string_view section, std::string_view name, std::string_view fallback) const override;
    void setString(std::string_view section, std::string_view name, std::string_view value) override;

    bool contains(std::string_view section, std::string_view name) const;
    int writes() const { return writes_; }

private:
    using Key = std::pair<std::string, std::string>;
    std::map<Key, std::string> values_;
    int writes_ = 0;
};

}  // namespace hf
