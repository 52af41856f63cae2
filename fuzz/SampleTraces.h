#pragma once
// Small traces of every format and both topologies, written by the test writers
// from a handful of frames: seeds of the fuzz targets, and the traces the
// read-only tests open.

#include <cstdint>
#include <string>
#include <vector>

#include "AdvisorWriter.h"
#include "DA30Writer.h"
#include "DataGLANceWriter.h"
#include "EtherPeekWriter.h"
#include "FireBerdWriter.h"
#include "LAN900Writer.h"
#include "LANWatchWriter.h"
#include "LANalyzerWriter.h"
#include "LANdecoderWriter.h"
#include "NetMonWriter.h"
#include "NetSightWriter.h"
#include "ObserverWriter.h"
#include "PcapWriter.h"
#include "SnifferWriter.h"
#include "TestFiles.h"
#include "TraceImage.h"
#include "import/TraceImport.h"

namespace quenlix::fuzz {

using Bytes = std::vector<uint8_t>;
using namespace quenlix::testing;


struct Frame {
    Bytes Stored;  // without the FCS
    double Time = 0;
};

// ---- one small trace of every format ---------------------------------------------------

inline Bytes SnifferTrace(const std::vector<Frame>& frames, bool tokenRing, bool compressed, TempDir& dir)
{
    SnifferFileOptions options;
    options.NetworkType = tokenRing ? 0 : 1;
    options.Compressed = compressed;
    std::vector<SnifferFrame> records;
    for (const Frame& f : frames) {
        SnifferFrame r;
        r.TimeCount = static_cast<uint64_t>(f.Time);
        r.Bytes = f.Stored;
        records.push_back(r);
    }
    const std::string path = dir.Path("sniffer.enc");
    WriteSnifferFile(path, options, records);
    return ReadBytes(path);
}

template <class Record, class Fill>
std::vector<Record> Records(const std::vector<Frame>& frames, const Fill& fill)
{
    std::vector<Record> records;
    for (const Frame& f : frames) {
        Record r;
        fill(r, f);
        records.push_back(r);
    }
    return records;
}

struct Trace {
    TraceFormatCode Format;
    TopologyCode Topology;
    bool Compressed;
    std::string Name;  // the file name detection sees
    Bytes Data;
};

inline std::vector<Trace> WriterTraces(const std::vector<Frame>& frames, TempDir& dir)
{
    const auto ms = [](const Frame& f) { return static_cast<uint32_t>(f.Time / 1000); };
    std::vector<Trace> traces;
    for (TopologyCode topology : {kTopologyEthernet, kTopologyTokenRing}) {
        const bool ring = topology == kTopologyTokenRing;
        traces.push_back({kFormatSniffer, topology, false, "a.enc", SnifferTrace(frames, ring, false, dir)});
        traces.push_back({kFormatSniffer, topology, true, "a.caz", SnifferTrace(frames, ring, true, dir)});

        DA30Options da30;
        da30.TokenRing = ring;
        traces.push_back({kFormatDA30, topology, false, "a.da3",
                          BuildDA30Trace(da30, Records<DA30Frame>(frames, [](DA30Frame& r, const Frame& f) {
                              r.Bytes = f.Stored;
                              r.Time = static_cast<uint32_t>(f.Time / 32);
                          })).Bytes});
        DataGLANceOptions glance;
        glance.Network = ring ? 2 : 3;
        traces.push_back({kFormatDataGLANce, topology, false, "a.dgc",
                          BuildDataGLANceTrace(glance, Records<DataGLANceFrame>(frames, [](DataGLANceFrame& r, const Frame& f) {
                              r.Bytes = f.Stored;
                          })).Bytes});
        AdvisorOptions advisor;
        advisor.Network = ring ? 3 : 1;
        AdvisorTraceBuilder builder(advisor);
        for (const Frame& f : frames) {
            AdvisorFrame r;
            r.Bytes = f.Stored;
            r.Seconds = static_cast<int32_t>(static_cast<int64_t>(f.Time) / 1000000);
            r.Nanoseconds = static_cast<int32_t>(static_cast<int64_t>(f.Time) % 1000000 * 1000);
            builder.AddFrame(r);
            builder.AddGroup();
        }
        builder.AddRecord("NOTE", 3, Bytes(4, 0x11));
        traces.push_back({kFormatInternetworkAdvisor, topology, false, "a.trc", builder.Image().Bytes});

        LAN900Block block;
        block.Records = Records<LAN900Record>(frames, [ring](LAN900Record& r, const Frame& f) {
            r.Bytes = f.Stored;
            r.Network = ring ? 6 : 5;
        });
        LAN900Record other;
        other.Kind = 0x10;
        other.Bytes = Bytes(10, 0x22);
        block.Records.push_back(other);
        traces.push_back({kFormatLAN900, topology, false, "a.dat", BuildLAN900Trace({}, {block}).Bytes});

        LANalyzerOptions lanalyzer;
        lanalyzer.TokenRing = ring;
        const auto lanalyzerFrames = Records<LANalyzerFrame>(frames, [](LANalyzerFrame& r, const Frame& f) {
            r.Bytes = f.Stored;
            r.TimeHalfMicroseconds = static_cast<uint64_t>(f.Time * 2);
        });
        traces.push_back({kFormatLANalyzer, topology, false, "a.tr1", BuildLANalyzerTrace(lanalyzer, lanalyzerFrames).Bytes});
        lanalyzer.WrapAt = frames.size() / 2;
        traces.push_back({kFormatLANalyzer, topology, false, "w.tr1", BuildLANalyzerTrace(lanalyzer, lanalyzerFrames).Bytes});

        LANdecoderOptions landecoder;
        landecoder.TokenRing = ring;
        traces.push_back({kFormatLANdecoder, topology, false, "a.trc",
                          BuildLANdecoderTrace(landecoder, Records<LANdecoderFrame>(frames, [](LANdecoderFrame& r, const Frame& f) {
                              r.Bytes = f.Stored;
                          })).Bytes});
        LANWatchOptions lanwatch;
        lanwatch.Network = ring ? 3 : 1;
        auto watchRecords = Records<LANWatchRecord>(frames, [](LANWatchRecord& r, const Frame& f) { r.Bytes = f.Stored; });
        watchRecords.insert(watchRecords.begin() + 1, LANWatchRecord{});
        watchRecords[1].Flags = kLANWatchNoData;
        traces.push_back({kFormatLANWatch, topology, false, "a.pkt", BuildLANWatchTrace(lanwatch, watchRecords).Bytes});

        for (bool netLens : {false, true}) {
            FireBerdOptions fireberd;
            fireberd.NetLens = netLens;
            traces.push_back({netLens ? kFormatNetLens : kFormatFireBerd500, topology, false, netLens ? "a.s04" : "a.fb5",
                              BuildFireBerdTrace(fireberd, Records<FireBerdFrame>(frames, [&ms](FireBerdFrame& r, const Frame& f) {
                                  r.Bytes = f.Stored;
                                  r.Milliseconds = ms(f);
                              })).Bytes});
        }
        NetSightOptions netsight;
        netsight.Network = ring ? 3 : 1;
        traces.push_back({kFormatNetSight, topology, false, "a.cap",
                          BuildNetSightTrace(netsight, Records<NetSightFrame>(frames, [](NetSightFrame& r, const Frame& f) {
                              r.Bytes = f.Stored;
                          })).Bytes});
        NetMonOptions netmon;
        netmon.NetworkType = ring ? 2 : 1;
        traces.push_back({kFormatNetworkMonitor, topology, false, "a.cap",
                          BuildNetMonTrace(netmon, Records<NetMonFrame>(frames, [&ms](NetMonFrame& r, const Frame& f) {
                              r.Bytes = f.Stored;
                              r.TimeMs = static_cast<int32_t>(ms(f));
                          })).Bytes});
        ObserverOptions observer;
        observer.NetworkType = ring ? 1 : 0;
        traces.push_back({kFormatObserver, topology, false, "a.bfr",
                          BuildObserverTrace(observer, Records<ObserverPacket>(frames, [&ms](ObserverPacket& r, const Frame& f) {
                              r.Bytes = f.Stored;
                              r.TimeMs = ms(f);
                          })).Bytes});
        for (uint8_t version : {6, 7}) {
            EtherPeekOptions peek;
            peek.Version = version;
            traces.push_back({kFormatEtherPeek, topology, false, "a.pkt",
                              BuildEtherPeekTrace(peek, Records<EtherPeekPacket>(frames, [version](EtherPeekPacket& r, const Frame& f) {
                                  r.Bytes = f.Stored;
                                  r.TimeStamp = static_cast<uint64_t>(version == 6 ? f.Time / 1000 : f.Time);
                              })).Bytes});
        }

        // pcap in the writer's byte order with microseconds (Ethernet) or the other
        // with nanoseconds (Token Ring); pcapng with every packet block kind, an
        // interface of another medium and a second section of the other byte order.
        PcapOptions pcap;
        pcap.BigEndian = ring;
        pcap.Nanoseconds = ring;
        pcap.LinkType = ring ? 6 : 1;
        const auto pcapPackets = Records<PcapPacket>(frames, [ring](PcapPacket& r, const Frame& f) {
            r.Bytes = f.Stored;
            r.Stamp = static_cast<uint64_t>(f.Time) * (ring ? 1000 : 1);
        });
        traces.push_back({kFormatPcap, topology, false, "a.pcap", BuildPcapTrace(pcap, pcapPackets).Bytes});
        PcapNgSection first;
        first.BigEndian = ring;
        first.Interfaces.resize(2);
        first.Interfaces[0].LinkType = 9;
        first.Interfaces[1].LinkType = ring ? 6 : 1;
        first.Interfaces[1].TimeResolution = 9;
        first.OtherBlocks = true;
        first.Packets = pcapPackets;
        for (std::size_t i = 0; i < first.Packets.size(); ++i) {
            PcapPacket& packet = first.Packets[i];
            packet.Interface = i == 0 ? 0 : 1;
            packet.Stamp *= ring ? 1 : 1000;
            packet.Block = i % 2 == 1 ? PcapBlock::Obsolete : PcapBlock::Enhanced;
            if (i == 2) packet.Flags = 1u << 24;
        }
        PcapNgSection second;
        second.BigEndian = !ring;
        second.Interfaces[0].LinkType = ring ? 6 : 1;
        second.Packets = {pcapPackets.front()};
        second.Packets[0].Block = PcapBlock::Simple;
        traces.push_back({kFormatPcapNG, topology, false, "a.pcapng", BuildPcapNgTrace({first, second}).Image.Bytes});
    }
    return traces;
}

}  // namespace quenlix::fuzz
