#include "ScanHelperSupport.h"

#include <gtest/gtest.h>

using namespace hf;
using namespace hf::test;

namespace {

const ScanFrame kGray{ScanFrame::Kind::Gray, true, 4, 4, 2, 8};
const ScanFrame kNotLast{ScanFrame::Kind::Gray, false, 4, 4, 2, 8};
const ScanBytes kDevices = packet(ScanMessage::Devices, devicesPayload({{"fake:0", "F", "S"}}));
const ScanBytes kListed = packet(ScanMessage::Hello, helloPayload()) + kDevices;
const ScanBytes kOpened = kListed + packet(ScanMessage::Opened, flagPayload(true));
const ScanBytes kFramed = kOpened + packet(ScanMessage::Frame, framePayload(kGray));
const ScanBytes kPixels = packet(ScanMessage::Data, {0, 40, 80, 120, 160, 200, 240, 255});
const ScanBytes kWhole = packet(ScanMessage::End, flagPayload(true));
// A header that announces one byte more than anyone takes.
const ScanBytes kOversized = {0x01, 0x00, 0x04, 0x00, std::uint8_t(ScanMessage::Data)};

struct HelperCase {
    std::string name;
    ScanBytes stream;
    AfterStream after = AfterStream::Wait;
    bool listed = true;
    bool opened = true;
    bool picture = false;
};

void PrintTo(const HelperCase& c, std::ostream* os)
{
    *os << c.name;
}

class BrokenHelper : public ::testing::TestWithParam<HelperCase> {};

TEST_P(BrokenHelper, IsRefusedAndEnded)
{
    const HelperCase& c = GetParam();
    const TempDir dir;
    ScanProcess session(fakeScanHelper(dir, c.stream, c.after));
    EXPECT_EQ(session.listDevices().size(), c.listed ? 1u : 0u);
    EXPECT_EQ(session.open("fake:0"), c.opened);
    ScanProgress progress;
    const LBitmap picture = session.read(progress);
    EXPECT_EQ(picture.IsAllocated(), c.picture);
    if (c.picture) {
        EXPECT_EQ(picture.GetWidth(), 4);
        EXPECT_EQ(picture.colourAt(3, 1), (Rgb{255, 255, 255}));
    }
    session.close();
    EXPECT_TRUE(childProcesses().empty()) << "the helper is ended and reaped";
}

INSTANTIATE_TEST_SUITE_P(
    FakeHelper, BrokenHelper,
    ::testing::Values(
        HelperCase{"WholeScanGivesThePicture", kFramed + kPixels + kWhole, AfterStream::Wait, true, true, true},
        HelperCase{"NotAHelper", textPayload("no protocol here\n"), AfterStream::Exit, false, false},
        HelperCase{"OtherVersion", packet(ScanMessage::Hello, helloPayload(kScanProtocolVersion + 1)) + kDevices,
                   AfterStream::Wait, false, false},
        HelperCase{"SilentHelper", {}, AfterStream::Wait, false, false},
        HelperCase{"OpenRefused", kListed + packet(ScanMessage::Opened, flagPayload(false)), AfterStream::Wait, true,
                   false},
        HelperCase{"DataBeforeAFrame", kOpened + kPixels + kWhole},
        HelperCase{"MoreDataThanTheFrameHolds", kFramed + kPixels + packet(ScanMessage::Data, {1}) + kWhole},
        HelperCase{"WholeBeforeTheLastFrame",
                   kOpened + packet(ScanMessage::Frame, framePayload(kNotLast)) + kPixels + kWhole},
        HelperCase{"OversizedMessage", kFramed + kOversized + ScanBytes(300'000, 0)},
        // Every byte of the frame but not its end.
        HelperCase{"DiesMidScan", kFramed + kPixels, AfterStream::Exit},
        HelperCase{"StallsAndIgnoresSigterm", kFramed + kPixels, AfterStream::WaitIgnoringTerm}),
    [](const auto& info) { return info.param.name; });

}  // namespace
