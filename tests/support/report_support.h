#pragma once
// Helpers of the report tests: a private temporary folder, small traces written
// with the Sniffer writer, and a way to run the report and keep what it printed.

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "FrameBuilder.h"
#include "SnifferWriter.h"
#include "report/ReportCommand.h"

namespace quenlix::reporttest {

namespace fs = std::filesystem;
namespace tb = quenlix::testing;

// A folder of its own for each test, removed with everything in it afterwards.
class TempFolder {
public:
    TempFolder()
    {
        static std::atomic<int> counter{0};
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        const std::string name = std::string("quenlix-report-") + (info ? info->name() : "test") + "-" +
                                 std::to_string(::getpid()) + "-" + std::to_string(counter++);
        path_ = fs::temp_directory_path() / name;
        fs::create_directories(path_);
    }
    ~TempFolder()
    {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string File(const std::string& name) const { return (path_ / name).string(); }

private:
    fs::path path_;
};

struct ReportRun {
    int Status = -1;
    std::string Out;
    std::string Err;
};

inline ReportRun RunReportWith(const std::vector<std::string>& args, bool showProgress = false)
{
    ReportEnvironment environment;
    environment.ProgramFolder = QUENLIX_BIN_DIR;
    environment.ShowProgress = showProgress;
    std::ostringstream out, err;
    ReportRun run;
    run.Status = RunReport(args, out, err, environment);
    run.Out = out.str();
    run.Err = err.str();
    return run;
}

inline void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream file(path, std::ios::binary);
    file << bytes;
}

inline std::string ReadBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

inline tb::SnifferFrame FrameAt(uint64_t micros, tb::Bytes bytes, uint8_t status = 0)
{
    tb::SnifferFrame frame;
    frame.TimeCount = micros;
    frame.Bytes = std::move(bytes);
    frame.Status = status;
    return frame;
}

// A small Ethernet trace over three seconds: ARP, a DNS look-up, a TCP exchange,
// NCP over Novell raw IPX, a SAP broadcast, a NetBIOS name claim over LLC and a
// frame with a bad FCS.
inline std::vector<tb::SnifferFrame> MixedEthernetFrames()
{
    const tb::Mac client = tb::MacOf(0x000101), server = tb::MacOf(0x000202), fileServer = tb::MacOf(0x000303);
    const tb::Mac broadcast = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    const tb::Ip clientIp = tb::IpOf(10, 0, 0, 1), serverIp = tb::IpOf(10, 0, 0, 2);
    const tb::IpxAddress station{{0, 0, 0, 1}, client, 0x4003};
    const tb::IpxAddress fs{{0, 0, 0, 1}, fileServer, 0x0451};

    std::vector<tb::SnifferFrame> frames;
    tb::Bytes arp(28, 0);
    frames.push_back(FrameAt(1'000, tb::Padded(tb::EthernetII(broadcast, client, 0x0806, arp))));
    frames.push_back(FrameAt(2'000, tb::UdpFrame(server, client, clientIp, serverIp, 1030, 53, tb::DnsQuery(7, "srv.lan"))));
    frames.push_back(FrameAt(3'000, tb::UdpFrame(client, server, serverIp, clientIp, 53, 1030, tb::DnsAnswer(7, "srv.lan", serverIp))));
    tb::TcpSegment syn{1031, 80, 1000, 0, 0x02, 8192, 1460, {}, false};
    frames.push_back(FrameAt(10'000, tb::TcpFrame(server, client, clientIp, serverIp, syn)));
    tb::TcpSegment synAck{80, 1031, 5000, 1001, 0x12, 8192, 1460, {}, false};
    frames.push_back(FrameAt(10'500, tb::TcpFrame(client, server, serverIp, clientIp, synAck)));
    tb::TcpSegment request{1031, 80, 1001, 5001, 0x18, 8192, 0, tb::Bytes(200, 'G'), false};
    frames.push_back(FrameAt(1'200'000, tb::TcpFrame(server, client, clientIp, serverIp, request)));
    tb::TcpSegment response{80, 1031, 5001, 1201, 0x18, 8192, 0, tb::Bytes(1400, 'R'), false};
    frames.push_back(FrameAt(1'260'000, tb::TcpFrame(client, server, serverIp, clientIp, response)));
    for (uint8_t seq = 1; seq <= 3; ++seq) {
        frames.push_back(FrameAt(2'000'000 + seq * 10'000u,
                                 tb::Padded(tb::NovellRaw(fileServer, client, tb::Ipx(fs, station, 17, tb::NcpRequest(seq, 5, 0x48))))));
        frames.push_back(FrameAt(2'000'000 + seq * 10'000u + 2'000,
                                 tb::Padded(tb::NovellRaw(client, fileServer, tb::Ipx(station, fs, 17, tb::NcpReply(seq, 5, tb::Bytes(512, 'D')))))));
    }
    const tb::IpxAddress sapTo{{0, 0, 0, 1}, broadcast, 0x0452};
    const tb::IpxAddress sapFrom{{0, 0, 0, 1}, fileServer, 0x0452};
    frames.push_back(FrameAt(2'500'000, tb::Padded(tb::NovellRaw(broadcast, fileServer,
                                                                 tb::Ipx(sapTo, sapFrom, 4, tb::SapResponse({{4, "FS1", fs, 1}}))))));
    const tb::Mac netbios = {0x03, 0x00, 0x00, 0x00, 0x00, 0x01};
    frames.push_back(FrameAt(2'700'000, tb::Padded(tb::Llc8023(netbios, client, 0xF0, 0xF0, 0x03, tb::NetBiosLlcPayload(0x01, "CLIENT")))));
    frames.push_back(FrameAt(2'900'000, tb::TcpFrame(client, server, serverIp, clientIp, response), 0x80));
    return frames;
}

inline std::string WriteMixedTrace(const TempFolder& folder, const std::string& name = "mixed.enc", bool compressed = false)
{
    const std::string path = folder.File(name);
    tb::SnifferFileOptions options;
    options.Compressed = compressed;
    tb::WriteSnifferFile(path, options, MixedEthernetFrames());
    return path;
}

// Where the real captures are, or the empty text when this checkout has none.
inline std::string CapturesFolder()
{
    const fs::path folder = fs::path(QUENLIX_SOURCE_DIR) / ".." / "shared" / "captures";
    return fs::is_directory(folder) ? folder.string() : std::string();
}

}  // namespace quenlix::reporttest
