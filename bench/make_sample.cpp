// Writes the bundled sample trace samples/office-sample.enc: four minutes of a
// small office LAN (two IP servers, a NetWare server, eight workstations, three
// of them also on IPX) as an uncompressed Ethernet Sniffer file. The traffic comes
// from a fixed seed, so running this again gives the same file byte for byte.
//
// usage: quenlix-make-sample [OUTPUT]   (default samples/office-sample.enc)

#include <cstdio>
#include <exception>
#include <string>

#include "SnifferWriter.h"
#include "TrafficGenerator.h"

namespace {

quenlix::traffic::TrafficProfile OfficeProfile()
{
    quenlix::traffic::TrafficProfile profile;
    profile.Seed = 19970304;
    profile.IpServers = 2;
    profile.IpClients = 8;
    profile.NetWareServers = 1;
    profile.IpxClients = 3;
    profile.LlcOnlyStations = 1;
    profile.ConversationsPerSecond = 0.6;
    profile.DurationMicros = 240'000'000;
    profile.MaxResponseBytes = 16'000;
    profile.SapIntervalSeconds = 60.0;
    profile.DamagedFrames = true;
    profile.RetransmitChance = 0.01;
    return profile;
}

uint16_t DosDate(int year, int month, int day) { return static_cast<uint16_t>((year - 1980) << 9 | month << 5 | day); }
uint16_t DosTime(int hour, int minute, int second) { return static_cast<uint16_t>(hour << 11 | minute << 5 | second / 2); }

}  // namespace

int main(int argc, char** argv)
{
    const std::string output = argc > 1 ? argv[1] : "samples/office-sample.enc";
    try {
        quenlix::testing::SnifferFileOptions options;
        options.NetworkType = 1;  // Ethernet
        options.TimeUnit = 5;     // microseconds
        options.DosDate = DosDate(2025, 3, 4);
        options.DosTime = DosTime(9, 15, 0);
        quenlix::testing::SnifferWriter writer(output, options);

        quenlix::traffic::TrafficGenerator generator(OfficeProfile());
        quenlix::traffic::GeneratedFrame frame;
        uint64_t bytes = 0;
        while (generator.Next(frame)) {
            quenlix::testing::SnifferFrame record;
            record.TimeCount = frame.TimeMicros;
            record.Bytes = std::move(frame.Bytes);
            record.Status = frame.BadFcs ? 0x80 : 0x00;
            bytes += record.Bytes.size();
            writer.AddFrame(record);
        }
        writer.Finish();
        std::printf("%s: %llu frames, %llu bytes of frame data, %zu stations\n", output.c_str(),
                    static_cast<unsigned long long>(generator.FramesEmitted()), static_cast<unsigned long long>(bytes),
                    generator.Hosts().size());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "quenlix-make-sample: %s\n", error.what());
        return 1;
    }
    return 0;
}
