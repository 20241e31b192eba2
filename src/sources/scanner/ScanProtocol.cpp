#include "ScanProtocol.h"

#include <algorithm>

namespace hf {
namespace {

constexpr std::uint8_t kMagic[4] = {'H', 'F', 'S', 'C'};

void put32(ScanBytes& out, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(std::uint8_t(value >> (8 * i)));
}

// Reads fields from a payload front to back; any read past its end fails
// the whole payload.
class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::optional<std::uint32_t> u32()
    {
        if (bytes_.size() - at_ < 4)
            return std::nullopt;
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i)
            value |= std::uint32_t(bytes_[at_ + std::size_t(i)]) << (8 * i);
        at_ += 4;
        return value;
    }
    std::optional<std::uint8_t> u8()
    {
        if (at_ >= bytes_.size())
            return std::nullopt;
        return bytes_[at_++];
    }
    std::optional<std::string> text()
    {
        const std::optional<std::uint32_t> length = u32();
        if (!length || bytes_.size() - at_ < *length)
            return std::nullopt;
        std::string value(reinterpret_cast<const char*>(bytes_.data() + at_), *length);
        at_ += *length;
        return value;
    }
    bool atEnd() const { return at_ == bytes_.size(); }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t at_ = 0;
};

void putText(ScanBytes& out, const std::string& text)
{
    put32(out, std::uint32_t(text.size()));
    out.insert(out.end(), text.begin(), text.end());
}

bool isKnown(std::uint8_t type)
{
    return (type >= std::uint8_t(ScanMessage::ListDevices) && type <= std::uint8_t(ScanMessage::Read)) ||
           (type >= std::uint8_t(ScanMessage::Hello) && type <= std::uint8_t(ScanMessage::End));
}

}  // namespace

ScanBytes encodeScanPacket(ScanMessage type, std::span<const std::uint8_t> payload)
{
    ScanBytes out;
    out.reserve(kScanHeaderSize + payload.size());
    put32(out, std::uint32_t(payload.size()));
    out.push_back(std::uint8_t(type));
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

std::optional<std::pair<ScanMessage, std::size_t>> scanHeaderOf(std::span<const std::uint8_t, kScanHeaderSize> header)
{
    Reader reader(header);
    const std::uint32_t length = *reader.u32();
    const std::uint8_t type = *reader.u8();
    if (length > kMaxScanPayload || !isKnown(type))
        return std::nullopt;
    return std::make_pair(ScanMessage(type), std::size_t(length));
}

ScanBytes helloPayload(std::uint32_t version)
{
    ScanBytes out(std::begin(kMagic), std::end(kMagic));
    put32(out, version);
    return out;
}

bool isCurrentHello(const ScanPacket& packet)
{
    return packet.type == ScanMessage::Hello && packet.payload == helloPayload();
}

ScanBytes devicesPayload(const std::vector<ScanDevice>& devices)
{
    // Devices that would take the list past the payload limit are left out,
    // so that the program never refuses the whole list.
    ScanBytes list;
    std::uint32_t count = 0;
    for (const ScanDevice& device : devices) {
        ScanBytes one;
        putText(one, device.name);
        putText(one, device.vendor);
        putText(one, device.model);
        if (4 + list.size() + one.size() > kMaxScanPayload)
            break;
        list.insert(list.end(), one.begin(), one.end());
        ++count;
    }
    ScanBytes out;
    put32(out, count);
    out.insert(out.end(), list.begin(), list.end());
    return out;
}

std::optional<std::vector<ScanDevice>> devicesOf(const ScanPacket& packet)
{
    if (packet.type != ScanMessage::Devices)
        return std::nullopt;
    Reader reader(packet.payload);
    const std::optional<std::uint32_t> count = reader.u32();
    if (!count)
        return std::nullopt;
    std::vector<ScanDevice> devices;
    for (std::uint32_t i = 0; i < *count; ++i) {
        std::optional<std::string> name = reader.text();
        std::optional<std::string> vendor = reader.text();
        std::optional<std::string> model = reader.text();
        if (!name || !vendor || !model || name->empty() || name->find('\0') != std::string::npos)
            return std::nullopt;
        devices.push_back({std::move(*name), std::move(*vendor), std::move(*model)});
    }
    if (!reader.atEnd())
        return std::nullopt;
    return devices;
}

ScanBytes framePayload(const ScanFrame& frame)
{
    ScanBytes out{std::uint8_t(frame.kind), std::uint8_t(frame.lastFrame ? 1 : 0)};
    for (int value : {frame.bytesPerLine, frame.pixelsPerLine, frame.lines, frame.depth})
        put32(out, std::uint32_t(value));
    return out;
}

std::optional<ScanFrame> frameOf(const ScanPacket& packet)
{
    if (packet.type != ScanMessage::Frame)
        return std::nullopt;
    Reader reader(packet.payload);
    const std::optional<std::uint8_t> kind = reader.u8();
    const std::optional<std::uint8_t> last = reader.u8();
    std::optional<std::uint32_t> values[4];
    for (auto& value : values)
        value = reader.u32();
    if (!kind || *kind > std::uint8_t(ScanFrame::Kind::Blue) || !last || *last > 1 || !values[3] || !reader.atEnd())
        return std::nullopt;
    ScanFrame frame;
    frame.kind = ScanFrame::Kind(*kind);
    frame.lastFrame = *last == 1;
    frame.bytesPerLine = std::int32_t(*values[0]);
    frame.pixelsPerLine = std::int32_t(*values[1]);
    frame.lines = std::int32_t(*values[2]);
    frame.depth = std::int32_t(*values[3]);
    return frame;
}

ScanBytes flagPayload(bool value)
{
    return {std::uint8_t(value ? 1 : 0)};
}

std::optional<bool> flagOf(const ScanPacket& packet)
{
    if (packet.payload.size() != 1 || packet.payload[0] > 1)
        return std::nullopt;
    return packet.payload[0] == 1;
}

ScanBytes textPayload(const std::string& text)
{
    return ScanBytes(text.begin(), text.end());
}

std::optional<std::string> deviceNameOf(const ScanPacket& packet)
{
    if (packet.type != ScanMessage::Open || packet.payload.empty() ||
        std::find(packet.payload.begin(), packet.payload.end(), 0) != packet.payload.end())
        return std::nullopt;
    return std::string(packet.payload.begin(), packet.payload.end());
}

}  // namespace hf
