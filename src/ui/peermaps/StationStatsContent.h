#pragma once
// The "Station" window without its widgets: the peer map of the MAC stations
// and their DLC conversations, coloured by frame errors, encapsulation or
// protocol family, the statistics grid of every station that sent, the label
// pop-up and the Select Stations rules.

#include <memory>
#include <string>
#include <vector>

#include "ui/peermaps/PeerMapContent.h"

namespace quenlix {

enum class StationMapView { Errors = 0, Encapsulation = 1, Protocol = 2 };

constexpr int kStationKeyCount = 15;
constexpr int kStationGridColumns = 11;
inline constexpr const char* kStationIniSection = "StationStats";
// Stations whose frames average fewer bytes are drawn only as somebody's peer.
constexpr int32_t kStationMinimumAverage = 18;

struct StationChainCache;

class StationStatsContent : public PeerWindowContent {
public:
    explicit StationStatsContent(AnalysisState& state);
    ~StationStatsContent() override;

    std::string Caption() const override;
    std::string ModeGroupCaption() const override { return "Identification"; }
    std::vector<std::string> ModeItems() const override;
    void SetMode(int mode) override;
    StationMapView View() const { return static_cast<StationMapView>(mode_); }
    const char* MapOUICaption() const override { return "Show OUI"; }
    const char* GridOUICaption() const override { return "Show OUI"; }

    PeerKeyPanel Keys() const override;
    int KeyCount() const override { return kStationKeyCount; }
    bool ClickKey(int key, bool checked) override;

    std::optional<PeerPopup> RightClick(int x, int y) override;
    bool HasToolboxItem() const override { return false; }

    void Rebuild() override;
    const std::vector<GridColumn>& Columns() const override;
    void UpdateOUIBoxes();

    PeerMapInput MapInput() override;
    // The map label of a station before any cut (SmartName, group name, hex or vendor form).
    std::string LabelText(const StationNode& station) const;

protected:
    PeerNodeKind MapNodeKind() const override { return PeerNodeKind::Station; }
    bool SetViewable(const std::string& addressBytes, bool viewable) override;
    bool IsViewable(const std::string& addressBytes) const override;
    std::optional<GridCell> AddressCellOf(const std::string& addressBytes) const override;

private:
    void FillRows();
    GridCell AddressCell(const StationNode& station) const;
    bool TokenRing() const { return state_.Topology == kTopologyTokenRing; }

    std::string caption_;
    std::unique_ptr<StationChainCache> chains_;
};

}  // namespace quenlix
