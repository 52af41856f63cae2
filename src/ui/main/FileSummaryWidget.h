#pragma once
// The "File Summary" page: Frame Statistics, Media Utilization, DLC Encapsulation
// Types, File Attributes and, for a trace with tagged frames, VLAN IDs, shown from
// the content the core builds.

#include <QWidget>

#include "ui/main/FileSummaryContent.h"

class QButtonGroup;
class QGridLayout;
class QGroupBox;
class QLabel;
class QRadioButton;

namespace quenlix {

class TGauge;
class TTextBox;

class TFileSummaryPage : public QWidget {
    Q_OBJECT
public:
    explicit TFileSummaryPage(QWidget* parent = nullptr);

    void ShowFrameStatistics(const FrameStatisticsContent& content);
    void ShowMediaUtilization(const MediaUtilizationFigures& figures);
    void ShowEncapsulation(const EncapsulationContent& content);
    void ShowFileAttributes(const FileAttributesContent& content);
    // Lists the VLAN IDs; the box is hidden when the trace has no tagged frame.
    void ShowVlans(const VlanContent& content);
    // Empties the eight File Attributes boxes.
    void ClearFileAttributes();

    MediaPackets MediaSelection() const;

signals:
    // The user chose "All" or "Broadcast" in the "Packets" group.
    void MediaUtilSelectionClick();

private:
    struct FrameRowWidgets {
        QLabel* Label;
        TTextBox* Count;
        TGauge* CountPct;
        TTextBox* Bytes;
        TGauge* BytesPct;
        TTextBox* Average;
        TTextBox* Largest;
    };
    struct ValueWidgets {
        QLabel* Label;
        TTextBox* Box;
    };
    struct EncapsulationWidgets {
        QLabel* Label;
        TTextBox* Count;
        TGauge* Pct;
    };

    QGroupBox* BuildFrameStatistics();
    QGroupBox* BuildMediaUtilization();
    QGroupBox* BuildEncapsulation();
    QGroupBox* BuildFileAttributes();
    QGroupBox* BuildVlans();
    FrameRowWidgets AddFrameRow(QGridLayout* grid, int row, const FrameClassRow& content, const QString& name);
    // A label and its box on a row of the grid, from the given column on.
    ValueWidgets AddValue(QGridLayout* grid, int row, const SummaryValue& content, const QString& boxName,
                          int column = 0);
    static void ShowCaptureTime(const ValueWidgets& row, const std::string& iso8601);

    std::array<FrameRowWidgets, 3> frameRows_{};
    TTextBox* totalPackets_ = nullptr;
    TTextBox* totalBytes_ = nullptr;
    std::array<ValueWidgets, 6> mediaValues_{};
    QButtonGroup* mediaSelection_ = nullptr;
    std::array<EncapsulationWidgets, 4> encapsulationRows_{};
    // File attributes in page order; the capture times follow the file date.
    static constexpr std::size_t kCaptureStartRow = 5;
    static constexpr std::size_t kCaptureEndRow = 6;
    static constexpr std::size_t kCaptureDurationRow = 7;
    std::array<ValueWidgets, 11> attributes_{};
    QLabel* readNote_ = nullptr;
    QGroupBox* vlanGroup_ = nullptr;
    QGridLayout* vlanGrid_ = nullptr;
};

}  // namespace quenlix
