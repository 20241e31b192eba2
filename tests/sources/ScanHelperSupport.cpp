#include "ScanHelperSupport.h"

#include <fstream>
#include <sstream>

#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace hf::test {

ScanHelperSetup builtScanHelper()
{
    return ScanHelperSetup{.program = HANDFOLIO_SCAN_HELPER};
}

ScanHelperSetup fakeScanHelper(const TempDir& dir, const ScanBytes& stream, AfterStream after)
{
    writeFile(dir / "stream", std::string(stream.begin(), stream.end()));
    std::string script = "#!/bin/sh\n";
    if (after == AfterStream::WaitIgnoringTerm)
        script += "trap '' TERM\n";
    script += "cat '" + (dir / "stream").string() + "'\n";
    // The three requests to list, open "fake:0" and read take 21 bytes.
    script += after == AfterStream::Exit ? "exec head -c 21 >/dev/null\n" : "exec sleep 60\n";
    writeFile(dir / "helper", script);
    ::chmod((dir / "helper").c_str(), 0700);
    using std::chrono::milliseconds;
    return ScanHelperSetup{dir / "helper",    milliseconds(500), milliseconds(500),
                           milliseconds(500), milliseconds(100), milliseconds(300)};
}

ScanBytes operator+(ScanBytes a, const ScanBytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

ScanBytes packet(ScanMessage type, const ScanBytes& payload)
{
    return encodeScanPacket(type, payload);
}

std::vector<pid_t> childProcesses()
{
    std::vector<pid_t> children;
    std::error_code ec;
    for (fs::directory_iterator it("/proc", ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream file(it->path() / "stat");
        std::string stat;
        std::getline(file, stat);
        // The command name in brackets may hold spaces; the state and the
        // parent follow it.
        const std::size_t bracket = stat.rfind(')');
        std::istringstream rest(bracket == std::string::npos ? std::string() : stat.substr(bracket + 1));
        char state = 0;
        pid_t parent = 0;
        if (rest >> state >> parent && parent == ::getpid())
            children.push_back(pid_t(std::stoi(name)));
    }
    return children;
}

}  // namespace hf::test
