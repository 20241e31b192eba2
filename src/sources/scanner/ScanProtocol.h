#pragma once

#include "ScanDevices.h"
#include "ScanImage.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace hf {

// What the program and the scan helper say to each other over the helper's
// standard input and output. Every message is a 4-byte little-endian payload
// length, a 1-byte type and the payload. The helper speaks first (Hello with
// the version); then each request gets its answer: ListDevices -> Devices,
// Open -> Opened, Read -> Frame and Data messages, then End. The program
// ends the helper by closing the channel or, when it is stuck, by signals.
inline constexpr std::uint32_t kScanProtocolVersion = 1;

enum class ScanMessage : std::uint8_t {
    // From the program.
    ListDevices = 1,
    Open = 2,
    Read = 3,
    // From the helper.
    Hello = 0x81,
    Devices = 0x82,
    Opened = 0x83,
    Frame = 0x84,
    Data = 0x85,
    End = 0x86,
};

// The longest payload either side takes; a longer one ends the talk.
inline constexpr std::size_t kMaxScanPayload = std::size_t{256} * 1024;
// The helper sends a frame's bytes in pieces of at most this size.
inline constexpr std::size_t kScanDataChunk = std::size_t{64} * 1024;
inline constexpr std::size_t kScanHeaderSize = 5;

struct ScanPacket {
    ScanMessage type = ScanMessage::Hello;
    std::vector<std::uint8_t> payload;
};

using ScanBytes = std::vector<std::uint8_t>;

// A whole message: header and payload.
ScanBytes encodeScanPacket(ScanMessage type, std::span<const std::uint8_t> payload);
// The type and payload length a header announces; none for a type nobody
// sends or a payload over kMaxScanPayload.
std::optional<std::pair<ScanMessage, std::size_t>> scanHeaderOf(std::span<const std::uint8_t, kScanHeaderSize> header);

ScanBytes helloPayload(std::uint32_t version = kScanProtocolVersion);
// True only for a hello of this program's own version.
bool isCurrentHello(const ScanPacket& packet);

ScanBytes devicesPayload(const std::vector<ScanDevice>& devices);
std::optional<std::vector<ScanDevice>> devicesOf(const ScanPacket& packet);

ScanBytes framePayload(const ScanFrame& frame);
std::optional<ScanFrame> frameOf(const ScanPacket& packet);

// Opened and End carry one flag: opened, or the scan arrived whole.
ScanBytes flagPayload(bool value);
std::optional<bool> flagOf(const ScanPacket& packet);

ScanBytes textPayload(const std::string& text);
// A device name to open: no zero bytes, which the device library would cut
// at.
std::optional<std::string> deviceNameOf(const ScanPacket& packet);

}  // namespace hf
