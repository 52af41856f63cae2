#pragma once
// The "Network" window without its widgets: the peer map of the IP, IPv6 or IPX
// stations that talked (keys, protocol and destination filters, labels, lines
// coloured by protocol or IPX hop count), the statistics grid of every network
// sender, the label pop-up and the Select Stations rules.

#include <memory>
#include <string>
#include <vector>

#include "ui/peermaps/PeerMapContent.h"

namespace quenlix {

// The Protocol group's choices, numbered in the order they were added.
enum class NetMapMode { IP = 0, IPX = 1, IPXHops = 2, IPv6 = 3 };
constexpr int kNetMapModeCount = 4;

constexpr int kNetworkKeyCount = 11;
constexpr int kNetworkGridColumns = 9;
inline constexpr const char* kNetworkIniSection = "NetworkStatisticsForm";
inline constexpr const char* kColumnOrderKey = "ColumnOrder";

// The key of a protocol bit in IP, IPv6 or IPX mode, 1..11; 0 when the bit has
// no key there.
int NetworkKeyOfBit(int bit, NetMapMode mode);

struct NetworkChainCache;

class NetworkStatisticsContent : public PeerWindowContent {
public:
    explicit NetworkStatisticsContent(AnalysisState& state);
    ~NetworkStatisticsContent() override;

    std::string Caption() const override;
    std::string ModeGroupCaption() const override { return "Protocol"; }
    std::vector<std::string> ModeItems() const override { return {"IP", "IPX", "IPX-Hops", "IPv6"}; }
    void SetMode(int mode) override;
    NetMapMode MapMode() const { return static_cast<NetMapMode>(mode_); }
    const char* MapOUICaption() const override { return "Show IPX OUI"; }
    const char* GridOUICaption() const override { return "Show IPX Node by OUI"; }

    PeerKeyPanel Keys() const override;
    int KeyCount() const override { return kNetworkKeyCount; }
    bool ClickKey(int key, bool checked) override;

    std::optional<PeerPopup> RightClick(int x, int y) override;
    bool HasToolboxItem() const override { return true; }

    void Rebuild() override;
    const std::vector<GridColumn>& Columns() const override;
    // Whether the trace had IPX frames (the OUI boxes show only then).
    bool HasIPXFrames() const;
    // Sets the OUI boxes as every activation does.
    void UpdateOUIBoxes();

    // The map's input as the last paint marked it (for tests and the report).
    PeerMapInput MapInput() override;

protected:
    PeerNodeKind MapNodeKind() const override { return PeerNodeKind::Network; }
    bool SetViewable(const std::string& addressBytes, bool viewable) override;
    bool IsViewable(const std::string& addressBytes) const override;
    std::optional<GridCell> AddressCellOf(const std::string& addressBytes) const override;

private:
    void FillRows();
    GridCell AddressCell(const NetNode& node) const;
    std::string LabelText(const NetNode& node) const;
    RGBColour KeyColour(int key) const;
    bool IsCandidateKind(const NetNode& node) const;
    NetMapMode InitialMode() const;
    // The senders of the kind a mode maps (IPX for both IPX modes).
    int SenderCount(NetMapMode mode) const;

    std::string caption_;
    std::unique_ptr<NetworkChainCache> chains_;
    RGBColour key8Colour_;
    RGBColour key11Colour_;
};

}  // namespace quenlix
