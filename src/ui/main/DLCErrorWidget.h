#pragma once
// The "DLC Error Expert" page: the page strip (copy button, "Show Station by
// OUI"), the Ethernet panel and the Token Ring panel with its ring map and soft
// error summary, shown from the content the core builds.

#include <QImage>
#include <QWidget>
#include <array>

#include "ui/main/DLCErrorContent.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;

namespace quenlix {

class TCanvasPanel;
class TGauge;
class TRingMapPaintBox;
class TRingMapPanel;
class TTextBox;

class TDLCErrorPage : public QWidget {
    Q_OBJECT
public:
    explicit TDLCErrorPage(const AnalysisState& state, QWidget* parent = nullptr);

    QWidget* EthernetPanel() const { return ethernetPanel_; }
    QWidget* TokenRingPanel() const { return tokenRingPanel_; }
    TRingMapPaintBox* RingMapPaintBox() const;

    // Shows the panel of the topology (the other is hidden).
    void ShowPanel(TopologyCode topology);
    // Fills the visible panel from the analysis, after a read.
    void Refresh();

    void ClearEthernetErrors();
    void UpdateEthernetErrors();
    void UpdateTokenRingErrors();

    // Commands of the page.
    void DLCCopyButtonClick();  // also Edit > Copy on this page
    void CopyRingMapBtnClick();
    void ShowDLCbyOUIClick();
    void DomainRadioGroupClick();
    void DLCTokenRingPageControlChange();

    // The picture the ring map's copy puts on the clipboard.
    QImage RingMapPicture();

    const EthernetErrorsContent& EthernetContent() const { return ethernet_; }
    const SoftErrorSummary& SoftErrorContent() const { return softErrors_; }

private:
    struct CollisionRowWidgets {
        QLabel* Source;
        TTextBox* Transmits;
        TTextBox* Retransmits;
        TGauge* Gauge;
    };
    struct SoftErrorRowWidgets {
        TTextBox* Total;
        TTextBox* Stations;
        QComboBox* List;
    };

    QWidget* BuildPageStrip();
    QWidget* BuildEthernetPanel();
    QGroupBox* BuildCollisionGroup();
    QGroupBox* BuildFrameErrorsGroup();
    QWidget* BuildTokenRingPanel();
    QWidget* BuildRingMapPage();
    QWidget* BuildRingMapControls();
    QWidget* BuildSoftErrorPage();
    QGroupBox* BuildSoftErrorGroup(int group);
    void ShowEthernetContent();
    void ShowSoftErrorContent();
    RingMapOptions CurrentRingMapOptions() const;
    bool ByOUI() const;

    const AnalysisState& state_;
    TopologyCode topology_ = kTopologyEthernet;
    EthernetErrorsContent ethernet_;
    SoftErrorSummary softErrors_;

    QPushButton* copyButton_ = nullptr;
    QCheckBox* showByOUI_ = nullptr;
    QWidget* ethernetPanel_ = nullptr;
    QWidget* tokenRingPanel_ = nullptr;
    std::array<CollisionRowWidgets, kCollisionRows> collisionRows_{};
    std::array<TTextBox*, 4> frameErrorBoxes_{};
    QPlainTextEdit* ethernetNotes_ = nullptr;

    QTabWidget* tokenRingPages_ = nullptr;
    QWidget* ringMapPage_ = nullptr;
    TCanvasPanel* canvasPanel_ = nullptr;
    TRingMapPanel* ringMapPanel_ = nullptr;
    QButtonGroup* domainGroup_ = nullptr;
    QButtonGroup* stationIdGroup_ = nullptr;
    QGroupBox* ringPollKey_ = nullptr;
    QGroupBox* stationErrorsKey_ = nullptr;
    std::array<SoftErrorRowWidgets, kSoftErrorKinds> softErrorRows_{};  // by kind
    QPlainTextEdit* softErrorNotes_ = nullptr;
};

}  // namespace quenlix
