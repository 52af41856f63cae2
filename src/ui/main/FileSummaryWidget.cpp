#include "ui/main/FileSummaryWidget.h"

#include <QButtonGroup>
#include <QDateTime>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ui/controls/GroupBoxWidget.h"
#include "ui/controls/QtText.h"
#include "ui/controls/TextBoxWidget.h"

namespace quenlix {

namespace {

QLabel* HintedLabel(const std::string& text, const std::string& hint)
{
    auto* label = Plain(new QLabel(Q(text)));
    if (!hint.empty()) label->setToolTip(Q(hint));
    return label;
}

TTextBox* ValueBox(const QString& name)
{
    auto* box = Plain(new TTextBox);
    box->setObjectName(name);
    box->setMinimumWidth(64);
    return box;
}

TGauge* Gauge(const QString& name)
{
    auto* gauge = Plain(new TGauge);
    gauge->setObjectName(name);
    gauge->setMinimumWidth(44);
    return gauge;
}

QFrame* RaisedLine()
{
    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Raised);
    return line;
}

}  // namespace

TFileSummaryPage::TFileSummaryPage(QWidget* parent) : QWidget(parent)
{
    setObjectName("FileSummaryTabSheet");
    // The whole page fits the main window's default size: two columns that stack
    // their boxes independently, Frame Statistics above the File Attributes (in
    // two columns) and the VLANs, Media Utilization above the encapsulation types
    // and the note on a partial read.
    auto* left = new QVBoxLayout;
    left->setSpacing(6);
    left->addWidget(BuildFrameStatistics());
    left->addWidget(BuildFileAttributes());
    left->addWidget(BuildVlans());
    left->addStretch(1);
    auto* right = new QVBoxLayout;
    right->setSpacing(6);
    right->addWidget(BuildMediaUtilization());
    right->addWidget(BuildEncapsulation());
    // After a stopped or damaged read, the whole note on how it ended: every
    // figure of the page counts only the frames read.
    readNote_ = new QLabel(this);
    readNote_->setObjectName("ReadNoteLabel");
    readNote_->setWordWrap(true);
    readNote_->setStyleSheet("color: #b00000");
    readNote_->hide();
    right->addWidget(readNote_);
    right->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(6);
    layout->addLayout(left, 3);
    layout->addLayout(right, 1);
}

TFileSummaryPage::FrameRowWidgets TFileSummaryPage::AddFrameRow(QGridLayout* grid, int row,
                                                                const FrameClassRow& content, const QString& name)
{
    FrameRowWidgets widgets{HintedLabel(content.Label, content.Hint),
                            ValueBox(name + "TextBox"),
                            Gauge(name + "Pct"),
                            ValueBox(name + "BytesTextBox"),
                            Gauge(name + "PctBytes"),
                            ValueBox("Ave" + name + "TextBox"),
                            ValueBox("Largest" + name + "TextBox")};
    // Room for a count of a billion bytes; sizes need five digits.
    widgets.Count->setMinimumWidth(72);
    widgets.Bytes->setMinimumWidth(96);
    widgets.Average->setMinimumWidth(48);
    widgets.Largest->setMinimumWidth(48);
    grid->addWidget(widgets.Label, row, 0);
    grid->addWidget(widgets.Count, row, 1);
    grid->addWidget(widgets.CountPct, row, 2);
    grid->addWidget(widgets.Bytes, row, 3);
    grid->addWidget(widgets.BytesPct, row, 4);
    grid->addWidget(widgets.Average, row, 5);
    grid->addWidget(widgets.Largest, row, 6);
    return widgets;
}

QGroupBox* TFileSummaryPage::BuildFrameStatistics()
{
    const FrameStatisticsContent initial;
    QGroupBox* group = BoldGroup(Q(initial.Caption), "GroupBox6");
    auto* grid = new QGridLayout(group);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(3);
    const int headingColumns[] = {1, 3, 5, 6};
    for (size_t i = 0; i < initial.Headings.size(); ++i) {
        QLabel* heading = HintedLabel(initial.Headings[i].Label, initial.Headings[i].Hint);
        heading->setAlignment(Qt::AlignRight | Qt::AlignBottom);
        grid->addWidget(heading, 0, headingColumns[i]);
    }
    frameRows_[0] = AddFrameRow(grid, 1, initial.Station, "Unicast");
    frameRows_[1] = AddFrameRow(grid, 2, initial.Multicast, "Multicast");
    frameRows_[2] = AddFrameRow(grid, 3, initial.Broadcast, "Broadcast");
    frameRows_[1].Label->setObjectName("MulticastLabel");
    // A raised line under Count and under Bytes sets the Total row apart.
    grid->addWidget(RaisedLine(), 4, 1);
    grid->addWidget(RaisedLine(), 4, 3);
    grid->addWidget(HintedLabel(initial.TotalLabel, initial.TotalHint), 5, 0);
    totalPackets_ = ValueBox("TotalPacketsTextBox");
    totalBytes_ = ValueBox("TotalBytesTextBox");
    totalBytes_->setMinimumWidth(96);
    grid->addWidget(totalPackets_, 5, 1);
    grid->addWidget(totalBytes_, 5, 3);
    grid->setRowStretch(6, 1);
    return group;
}

TFileSummaryPage::ValueWidgets TFileSummaryPage::AddValue(QGridLayout* grid, int row, const SummaryValue& content,
                                                          const QString& boxName, int column)
{
    ValueWidgets widgets{HintedLabel(content.Label, content.Hint), ValueBox(boxName)};
    if (!content.Hint.empty()) widgets.Box->setToolTip(Q(content.Hint));
    widgets.Box->setText(Q(content.Text));
    grid->addWidget(widgets.Label, row, column);
    grid->addWidget(widgets.Box, row, column + 1);
    return widgets;
}

QGroupBox* TFileSummaryPage::BuildMediaUtilization()
{
    const MediaUtilizationContent initial;
    QGroupBox* group = BoldGroup(Q(initial.Caption), "GroupBox1");
    auto* grid = new QGridLayout(group);
    grid->setVerticalSpacing(3);
    const MediaUtilizationFigures& figures = initial.All;
    const std::array<const SummaryValue*, 6> values{&figures.AvePps, &figures.PeakPps, &figures.AveBps,
                                                    &figures.PeakBps, &figures.AveBandwidth, &figures.PeakBandwidth};
    const std::array<QString, 6> names{"AvePpsTextBox", "PeakPpsTextBox", "AveBpsTextBox",
                                       "PeakBpsTextBox", "AveBandwidthTextBox", "PeakBandwidthTextBox"};
    for (size_t i = 0; i < values.size(); ++i)
        mediaValues_[i] = AddValue(grid, static_cast<int>(i), *values[i], names[i]);

    auto* packets = Plain(new QGroupBox(Q(initial.SelectionCaption)));
    packets->setObjectName("MediaUtilSelection");
    auto* radios = new QHBoxLayout(packets);
    radios->setContentsMargins(6, 2, 6, 2);  // a slim row, so that the page fits the window's default height
    mediaSelection_ = new QButtonGroup(this);
    for (size_t i = 0; i < initial.SelectionItems.size(); ++i) {
        auto* radio = Plain(new QRadioButton(Q(initial.SelectionItems[i])));
        radio->setObjectName(i == 0 ? "MediaUtilAll" : "MediaUtilBroadcast");
        mediaSelection_->addButton(radio, static_cast<int>(i));
        radios->addWidget(radio);
    }
    mediaSelection_->button(0)->setChecked(true);
    connect(mediaSelection_, &QButtonGroup::idClicked, this, [this] { emit MediaUtilSelectionClick(); });
    grid->addWidget(packets, 6, 0, 1, 2);
    grid->setRowStretch(7, 1);
    return group;
}

QGroupBox* TFileSummaryPage::BuildEncapsulation()
{
    const EncapsulationContent initial;
    QGroupBox* group = BoldGroup(Q(initial.Caption), "GroupBox5");
    auto* grid = new QGridLayout(group);
    grid->setVerticalSpacing(3);
    const std::array<QString, 4> boxes{"LLCTextBox", "SNAPTextBox", "ETypeTextBox", "NovellRawTextBox"};
    const std::array<QString, 4> gauges{"LLCPct", "SnapPct", "EtypePct", "NovRawPct"};
    for (size_t i = 0; i < initial.Rows.size(); ++i) {
        const EncapsulationRow& row = initial.Rows[i];
        EncapsulationWidgets widgets{HintedLabel(row.Label, row.Hint), ValueBox(boxes[i]), Gauge(gauges[i])};
        const int line = static_cast<int>(i);
        grid->addWidget(widgets.Label, line, 0);
        grid->addWidget(widgets.Count, line, 1);
        grid->addWidget(widgets.Pct, line, 2);
        encapsulationRows_[i] = widgets;
    }
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(4, 1);
    return group;
}

QGroupBox* TFileSummaryPage::BuildFileAttributes()
{
    const FileAttributesContent initial;
    QGroupBox* group = BoldGroup(Q(initial.Caption), "GroupBox7");
    auto* grid = new QGridLayout(group);
    grid->setVerticalSpacing(3);
    const std::array<const SummaryValue*, 11> values{
        &initial.Analyzer,     &initial.Topology,   &initial.Bandwidth,       &initial.Duration,
        &initial.FileDate,     &initial.CaptureStart, &initial.CaptureEnd,    &initial.CaptureDuration,
        &initial.FileSize,     &initial.Frames,       &initial.Bytes};
    const std::array<QString, 11> names{"FileAnalyzerTextBox",   "FileTopologyTextBox", "FileBandwidthTextBox",
                                        "FileDurationTextBox",   "FileDateTextBox",     "CaptureStartTextBox",
                                        "CaptureEndTextBox",     "CaptureDurationTextBox", "FileSizeTextBox",
                                        "FileFrameCountTextBox", "FileBytesTextBox"};
    // The file's kind, time and sizes in two columns of four rows, then the
    // capture times below them, their boxes wide enough for a date and a time.
    struct Place {
        int Row, Column, Span;
    };
    constexpr std::array<Place, 11> places{{{0, 0, 1}, {1, 0, 1}, {2, 0, 1}, {3, 0, 1}, {0, 2, 1}, {4, 0, 2},
                                            {5, 0, 2}, {6, 0, 2}, {1, 2, 1}, {2, 2, 1}, {3, 2, 1}}};
    for (size_t i = 0; i < values.size(); ++i) {
        attributes_[i] = AddValue(grid, places[i].Row, *values[i], names[i], places[i].Column);
        attributes_[i].Box->setMinimumWidth(110);
        if (places[i].Span > 1) grid->addWidget(attributes_[i].Box, places[i].Row, places[i].Column + 1, 1, places[i].Span);
    }
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(7, 1);
    ShowCaptureTime(attributes_[kCaptureStartRow], "");
    ShowCaptureTime(attributes_[kCaptureEndRow], "");
    ShowCaptureTime(attributes_[kCaptureDurationRow], "");
    return group;
}

QGroupBox* TFileSummaryPage::BuildVlans()
{
    const VlanContent initial;
    vlanGroup_ = BoldGroup(Q(initial.Caption), "VlanGroupBox");
    vlanGrid_ = new QGridLayout(vlanGroup_);
    vlanGrid_->setVerticalSpacing(3);
    vlanGroup_->setVisible(false);
    return vlanGroup_;
}

void TFileSummaryPage::ShowVlans(const VlanContent& content)
{
    // The rows differ from trace to trace: the previous trace's labels go.
    while (QLayoutItem* item = vlanGrid_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    int line = 0;
    for (const VlanRow& row : content.Rows) {
        vlanGrid_->addWidget(Plain(new QLabel(Q(row.Label))), line, 0);
        auto* count = Plain(new QLabel(Q(row.Count)));
        count->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        vlanGrid_->addWidget(count, line++, 1);
    }
    if (!content.MoreText.empty()) vlanGrid_->addWidget(Plain(new QLabel(Q(content.MoreText))), line, 0, 1, 2);
    vlanGroup_->setVisible(!content.Rows.empty());
}

void TFileSummaryPage::ShowFrameStatistics(const FrameStatisticsContent& content)
{
    const std::array<const FrameClassRow*, 3> rows{&content.Station, &content.Multicast, &content.Broadcast};
    for (size_t i = 0; i < rows.size(); ++i) {
        const FrameClassRow& row = *rows[i];
        FrameRowWidgets& widgets = frameRows_[i];
        widgets.Label->setText(Q(row.Label));
        widgets.Count->setText(Q(row.Count));
        widgets.CountPct->SetProgress(row.CountPercent);
        widgets.Bytes->setText(Q(row.Bytes));
        widgets.BytesPct->SetProgress(row.BytesPercent);
        widgets.Average->setText(Q(row.AverageSize));
        widgets.Largest->setText(Q(row.Largest));
    }
    totalPackets_->setText(Q(content.TotalPackets));
    totalBytes_->setText(Q(content.TotalBytes));
}

void TFileSummaryPage::ShowMediaUtilization(const MediaUtilizationFigures& figures)
{
    const std::array<const SummaryValue*, 6> values{&figures.AvePps, &figures.PeakPps, &figures.AveBps,
                                                    &figures.PeakBps, &figures.AveBandwidth, &figures.PeakBandwidth};
    for (size_t i = 0; i < values.size(); ++i) mediaValues_[i].Box->setText(Q(values[i]->Text));
}

void TFileSummaryPage::ShowEncapsulation(const EncapsulationContent& content)
{
    for (size_t i = 0; i < content.Rows.size(); ++i) {
        const EncapsulationRow& row = content.Rows[i];
        EncapsulationWidgets& widgets = encapsulationRows_[i];
        widgets.Label->setText(Q(row.Label));
        widgets.Label->setToolTip(Q(row.Hint));
        widgets.Count->setText(Q(row.Count));
        widgets.Pct->SetProgress(row.Percent);
        for (QWidget* widget : {static_cast<QWidget*>(widgets.Label), static_cast<QWidget*>(widgets.Count),
                                static_cast<QWidget*>(widgets.Pct)})
            widget->setVisible(row.Visible);
    }
}

void TFileSummaryPage::ShowFileAttributes(const FileAttributesContent& content)
{
    const std::array<const SummaryValue*, 11> values{
        &content.Analyzer,     &content.Topology,     &content.Bandwidth,  &content.Duration,
        &content.FileDate,     &content.CaptureStart, &content.CaptureEnd, &content.CaptureDuration,
        &content.FileSize,     &content.Frames,       &content.Bytes};
    for (size_t i = 0; i < values.size(); ++i) attributes_[i].Box->setText(Q(values[i]->Text));
    readNote_->setText(Q(content.ReadNote));
    readNote_->setVisible(!content.ReadNote.empty());
    // The window shows the file date in the user's own short date format.
    const QDateTime date = QDateTime::fromString(Q(content.FileDateISO8601), Qt::ISODate);
    if (date.isValid()) attributes_[4].Box->setText(QLocale().toString(date.date(), QLocale::ShortFormat));
    ShowCaptureTime(attributes_[kCaptureStartRow], content.CaptureStartISO8601);
    ShowCaptureTime(attributes_[kCaptureEndRow], content.CaptureEndISO8601);
    // The duration's text is the content's own; its row shows with the capture times.
    attributes_[kCaptureDurationRow].Label->setVisible(!content.CaptureDuration.Text.empty());
    attributes_[kCaptureDurationRow].Box->setVisible(!content.CaptureDuration.Text.empty());
}

void TFileSummaryPage::ClearFileAttributes()
{
    for (ValueWidgets& value : attributes_) value.Box->clear();
    ShowCaptureTime(attributes_[kCaptureStartRow], "");
    ShowCaptureTime(attributes_[kCaptureEndRow], "");
    ShowCaptureTime(attributes_[kCaptureDurationRow], "");
    readNote_->hide();
}

// A capture time with the file date's short date format, the time to the
// millisecond and "UTC" when it is; its row is hidden when the trace stores no
// start date. A year the date type cannot hold keeps the content's own text.
void TFileSummaryPage::ShowCaptureTime(const ValueWidgets& row, const std::string& iso8601)
{
    row.Label->setVisible(!iso8601.empty());
    row.Box->setVisible(!iso8601.empty());
    const QDateTime moment = QDateTime::fromString(Q(iso8601), Qt::ISODateWithMs);
    if (!moment.isValid()) return;
    const QString utc = iso8601.back() == 'Z' ? " UTC" : "";
    row.Box->setText(QLocale().toString(moment.date(), QLocale::ShortFormat) + ' ' +
                     moment.time().toString("hh:mm:ss.zzz") + utc);
}

MediaPackets TFileSummaryPage::MediaSelection() const
{
    return mediaSelection_->checkedId() == 1 ? MediaPackets::Broadcast : MediaPackets::All;
}

}  // namespace quenlix
