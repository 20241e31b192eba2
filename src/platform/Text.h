#pragma once

// Text rules of the album: names are stored as Windows-1252 bytes in fixed
// fields, the user interface works in UTF-8, and the sorted boxes of the
// Album window order and search names without regard to case.

#include <cstddef>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hf {

// Decodes one code point from UTF-8 at pos and advances pos; malformed
// input yields U+FFFD and advances by one byte.
char32_t nextCodePoint(std::string_view s, std::size_t& pos);
void appendUtf8(std::string& out, char32_t cp);

std::optional<unsigned char> unicodeToCp1252(char32_t cp);
char32_t cp1252ToUnicode(unsigned char byte);

// True when every character of the UTF-8 text has a Windows-1252 byte.
bool fitsCp1252(std::string_view utf8);
// Converts UTF-8 to Windows-1252; characters without a byte become '?'.
std::string utf8ToCp1252(std::string_view utf8);
std::string cp1252ToUtf8(std::string_view bytes);

// The text of a fixed field: its bytes up to the first zero, or the whole
// field when a damaged file left no terminator.
template <std::size_t N> std::string_view fieldText(const char (&field)[N])
{
    std::size_t n = 0;
    while (n < N && field[n] != '\0')
        ++n;
    return std::string_view(field, n);
}

// Copies bytes into a fixed field, keeping its terminating zero: at most N - 1
// bytes are taken and the rest of the field is zeroed.
template <std::size_t N> void copyField(char (&field)[N], std::string_view bytes)
{
    const std::size_t n = bytes.size() < N - 1 ? bytes.size() : N - 1;
    std::memcpy(field, bytes.data(), n);
    std::memset(field + n, 0, N - n);
}

template <std::size_t N> constexpr bool fitsField(const char (&)[N], std::string_view bytes)
{
    return bytes.size() < N;
}

// Cuts UTF-8 text to at most maxChars characters.
std::string leftChars(std::string_view utf8, std::size_t maxChars);
std::size_t charCount(std::string_view utf8);

// Case-insensitive order of the sorted boxes (Latin letters, including the
// accented ones of Windows-1252).
int compareNoCase(std::string_view a, std::string_view b);
bool startsWithNoCase(std::string_view text, std::string_view prefix);

// The entries of a sorted drop-down or list box, kept in the box's order.
class SortedList {
public:
    // Inserts after every entry that sorts before or equal to the text, and
    // returns the new entry's index.
    int add(std::string text);
    void clear() { items_.clear(); }
    // The first entry, from the top, that begins with the text, ignoring case.
    int findPrefix(std::string_view prefix) const;
    int findExact(std::string_view text) const;
    const std::vector<std::string>& items() const { return items_; }
    int size() const { return static_cast<int>(items_.size()); }
    const std::string& operator[](int i) const { return items_[static_cast<std::size_t>(i)]; }

private:
    std::vector<std::string> items_;
};

}  // namespace hf
