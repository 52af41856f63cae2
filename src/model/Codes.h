#pragma once
// The codes of the analysis, each defined once: protocol families, encapsulations,
// applications, topologies and trace formats, and the named entries of the
// FrameStats and UtilStats tables. Every layer speaks of them by these names.

#include <cstdint>

namespace quenlix {

// Protocol family of a frame: index of ProtocolStats, bit of the Families sets.
enum ProtocolFamily : uint8_t {
    kFamilyAppletalk = 0,
    kFamilyARP = 1,
    kFamilyBPDU = 2,
    kFamilyDECnet = 3,
    kFamilyIP = 4,
    kFamilyIPX = 5,
    kFamilyISO = 6,
    kFamilyLAT = 7,
    kFamilyLAVC = 8,
    kFamilyNetBIOSLLC = 9,
    kFamilyNetBIOSIP = 10,
    kFamilyNetBIOSIPX = 11,
    kFamilySNA = 12,
    kFamilyXNS = 13,
    kFamilyVINES = 14,
    kFamilyMAC = 15,
    kFamilyOther = 16,
};

// Encapsulation of a frame: bit of the encapsulation sets.
enum Encapsulation : uint8_t {
    kEncapsEthernetII = 0,
    kEncapsLLC = 1,
    kEncapsNovellRaw = 2,
    kEncapsSNAP = 3,
    kEncapsMAC = 4,  // Token Ring MAC frame
    kNoEncapsulation = 0xFF,
};

// Application of a packet: index of FramesByProtocol, bit of the Protocols sets.
// Codes up to kAppUnknownIP are IP applications, the rest IPX applications.
enum ApplicationCode : uint8_t {
    kAppICMP = 0,
    kAppIGMP = 1,
    kAppGGP = 2,
    kAppTCP = 3,
    kAppEGP = 4,
    kAppUDP = 5,
    kAppIGRP = 6,
    kAppUnknownIP = 7,
    kAppNCP = 8,
    kAppSPX = 9,
    kAppSPXII = 10,
    kAppNetBIOS = 11,
    kAppSMB = 12,
    kAppRIP = 13,
    kAppPBurst = 14,
    kAppEcho = 15,
    kAppError = 16,
    kAppWANBroadcast = 17,
    kAppSAP = 18,
    kAppNetWareLite = 19,
    kAppLIPEcho = 20,
    kAppUnknownIPX = 21,
};
constexpr uint8_t kFirstIPXApp = kAppNCP;
constexpr uint8_t kLastIPXApp = kAppUnknownIPX;

// The medium a trace was captured on; only Ethernet and Token Ring are analysed.
enum TopologyCode : uint8_t {
    kTopologyEthernet = 0,
    kTopologyTokenRing = 1,
    kTopologyFDDI = 2,
    kTopologyARCnet = 3,
    kTopologyWAN = 4,
    kTopologyOther = 5,
};

// The analyser format of a trace file (TraceFormat).
enum TraceFormatCode : uint8_t {
    kFormatDA30 = 0,
    kFormatDataGLANce = 1,
    kFormatFireBerd500 = 2,
    kFormatInternetworkAdvisor = 3,
    kFormatLAN900 = 4,
    kFormatLANalyzer = 5,
    kFormatLANdecoder = 6,
    kFormatLANWatch = 7,
    kFormatNetLens = 8,
    kFormatNetSight = 9,
    kFormatNetworkMonitor = 10,
    kFormatSniffer = 11,
    kFormatNone = 12,  // never detected; nothing is read
    kFormatObserver = 13,
    kFormatEtherPeek = 14,
    kFormatUnknown = 17,
};

// Entries of FrameStats (0 and 9 are not used).
enum FrameStat : uint8_t {
    kStatSmallestFrame = 1,  // starts at kSmallestFrameStart; compared by its absolute value
    kStatLargestFrame = 2,
    kStatLargestBroadcast = 3,
    kStatLargestMulticast = 4,
    kStatAverageFrameSize = 5,
    kStatFrames = 6,
    kStatBroadcastFrames = 7,
    kStatMulticastFrames = 8,
    kStatLLCFrames = 10,
    kStatSNAPFrames = 11,
    kStatEthernetIIFrames = 12,
    kStatNovellRawFrames = 13,
    kStatBadFCS = 14,
    kStatRunts = 15,
    kStatOversize = 16,
    kStatCRCFragments = 17,
};
constexpr int32_t kSmallestFrameStart = -60000;

// Entries of UtilStats (2, 4, 8 and 10 are not used); "group" is broadcast plus multicast.
enum UtilStat : uint8_t {
    kUtilAverage = 0,        // percent
    kUtilPeak = 1,           // percent of one interval
    kUtilPeakBytes = 3,
    kUtilPeakFrames = 5,
    kUtilAverageGroup = 6,   // percent
    kUtilPeakBroadcast = 7,  // percent of one interval, broadcast only
    kUtilPeakGroupBytes = 9,
    kUtilPeakGroupFrames = 11,
};

}  // namespace quenlix
