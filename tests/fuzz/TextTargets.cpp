// Text the program reads from other programs: the handheld desktop's user
// list, the Windows proxy settings and a WebDAV server's listing.

#include "FuzzTargets.h"

#include "FileHandheldDesktop.h"
#include "Propfind.h"
#include "ProxySettings.h"

#include <algorithm>
#include <set>
#include <string>

namespace fs = std::filesystem;

namespace hf::fuzz {
namespace {

std::set<std::string> namesIn(const fs::path& folder)
{
    std::set<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        names.insert(it->path().filename().string());
    return names;
}

std::string_view textOf(Input data)
{
    return {reinterpret_cast<const char*>(data.data()), data.size()};
}

}  // namespace

void usersList(Input data)
{
    // The desktop folder two levels down in a folder of this target's own,
    // so that folders made above it can be seen.
    const fs::path area = freshFolder("users");
    const fs::path folder = area / "home" / "Palm";
    fs::create_directories(folder);
    writeFile(folder / FileHandheldDesktop::kFileName, data);
    const std::set<std::string> before = namesIn(area / "home"), beforeAbove = namesIn(area);

    FileHandheldDesktop desktop(folder);
    for (int i = 0; i < desktop.userCount(); ++i) {
        const std::string name = desktop.userName(i);
        HF_FUZZ_RULE(!name.empty());
        const fs::path userFolder = desktop.userFolder(name);
        std::error_code ec;
        HF_FUZZ_RULE(userFolder.empty() || fs::is_directory(userFolder, ec));
    }
    HF_FUZZ_RULE(desktop.userName(desktop.userCount()).empty());
    desktop.refresh();
    // Folders are made only below the desktop folder, whatever the file says.
    HF_FUZZ_RULE(namesIn(area / "home") == before);
    HF_FUZZ_RULE(namesIn(area) == beforeAbove);
}

void windowsProxyText(Input data)
{
    const std::string_view text = textOf(data);
    if (const auto entry = parseWindowsProxyText(text)) {
        HF_FUZZ_RULE(std::none_of(entry->host.begin(), entry->host.end(), [](char c) { return c >= 'a' && c <= 'z'; }));
        HF_FUZZ_RULE(entry->host.find(';') == std::string::npos && entry->portText.find(';') == std::string::npos);
        HF_FUZZ_RULE(entry->host.size() + entry->portText.size() < text.size());
        proxyPortFromText(entry->portText);
    }
    proxyPortFromText(text);
    char field[kProxyTextSize];
    copyProxyText(field, text);
    const std::string_view copied(field);
    const std::string_view upToZero = text.substr(0, text.find('\0'));
    HF_FUZZ_RULE(upToZero.starts_with(copied));
    // Cut only to keep a character whole: at most three bytes short.
    HF_FUZZ_RULE(copied == upToZero || (copied.size() + 3 >= kProxyTextSize - 1 && upToZero.size() >= kProxyTextSize));
}

void davListing(Input data)
{
    const std::string_view xml = textOf(data);
    HF_FUZZ_RULE(opc::percentDecode(opc::percentEncode(xml)) == xml);
    for (const char* url : {"http://127.0.0.1:3011/", "http://127.0.0.1:3011/rolls/Holiday%20Photos/",
                            "https://store.example:8443/dav/u/"}) {
        const auto all = opc::readMembers(xml, url);
        opc::MemberReader reader(url, 3);  // in two pieces, keeping the first three names
        reader.feed(xml.substr(0, xml.size() / 2));
        reader.feed(xml.substr(xml.size() / 2));
        const auto three = reader.finish();
        const std::vector<opc::DavMember> members = all.value_or(std::vector<opc::DavMember>{});
        HF_FUZZ_RULE(all.has_value() == three.has_value() &&
                     (!three || (three->size() == std::min<std::size_t>(3, members.size()) &&
                                 std::equal(three->begin(), three->end(), members.begin(),
                                            [](const auto& a, const auto& b) { return a.name == b.name; }))));
        for (std::size_t i = 0; i < members.size(); ++i) {
            const std::string& name = members[i].name;
            HF_FUZZ_RULE(!name.empty() && name != "." && name != "..");
            HF_FUZZ_RULE(name.find('/') == std::string::npos && name.find('\0') == std::string::npos);
            HF_FUZZ_RULE(i == 0 || members[i - 1].name < name);
        }
    }
}

}  // namespace hf::fuzz
