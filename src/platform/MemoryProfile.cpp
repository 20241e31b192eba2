#include "Profile.h"

#include <charconv>

namespace hf {

int MemoryProfile::getInt(std::string_view section, std::string_view name, int fallback) const
{
    auto it = values_.find({std::string(section), std::string(name)});
    if (it == values_.end())
        return fallback;
    int v = fallback;
    const std::string& s = it->second;
    auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || ptr != s.data() + s.size())
        return fallback;
    return v;
}

void MemoryProfile::setInt(std::string_view section, std::string_view name, int value)
{
    setString(section, name, std::to_string(value));
}

std::string MemoryProfile::getString(std::string_view section, std::string_view name, std::string_view fallback) const
{
    auto it = values_.find({std::string(section), std::string(name)});
    return it == values_.end() ? std::string(fallback) : it->second;
}

void MemoryProfile::setString(std::string_view section, std::string_view name, std::string_view value)
{
    values_[{std::string(section), std::string(name)}] = std::string(value);
    ++writes_;
}

bool MemoryProfile::contains(std::string_view section, std::string_view name) const
{
    return values_.count({std::string(section), std::string(name)}) != 0;
}

}  // namespace hf
