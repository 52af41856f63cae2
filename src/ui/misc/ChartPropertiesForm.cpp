#include "ui/misc/ChartPropertiesForm.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ui/controls/DialogButtonWidget.h"

namespace quenlix {

namespace {

QGroupBox* RadioGroup(const QString& caption, const QString& name, const QStringList& items, QButtonGroup* buttons)
{
    auto* group = new QGroupBox(caption);
    group->setObjectName(name);
    auto* layout = new QVBoxLayout(group);
    for (int i = 0; i < items.size(); ++i) {
        auto* radio = new QRadioButton(items[i]);
        buttons->addButton(radio, i);
        layout->addWidget(radio);
    }
    buttons->button(0)->setChecked(true);
    return group;
}

QCheckBox* CheckBox(const QString& caption, const QString& name, bool checked)
{
    auto* box = new QCheckBox(caption);
    box->setObjectName(name);
    box->setChecked(checked);
    return box;
}

}  // namespace

QColor ColorFromBgr(int32_t bgr)
{
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

int32_t BgrFromColor(const QColor& color)
{
    return color.red() | color.green() << 8 | color.blue() << 16;
}

TChartPropertiesForm::TChartPropertiesForm(QWidget* parent)
    : QDialog(parent), chartType_(new QButtonGroup(this)), chartUnits_(new QButtonGroup(this)),
      showGradient_(CheckBox("Show Gradient", "ShowGradientCheckBox", true)),
      showTitle_(CheckBox("Show Title", "ShowTitleCheckBox", true)),
      showLegend_(CheckBox("Show Legend", "ShowLegendCheckBox", true)),
      showValues_(CheckBox("Show Values", "ShowValuesCheckBox", false)),
      show3D_(CheckBox("Enable 3D", "Show3DCheckBox", true)), topColorPanel_(new QFrame),
      bottomColorPanel_(new QFrame), topColorButton_(new QPushButton("&Top Color...")),
      bottomColorButton_(new QPushButton("&Bottom Color...")), applyButton_(new QPushButton("&Apply"))
{
    setObjectName("ChartPropertiesForm");
    setWindowTitle("Chart Properties");

    topColorPanel_->setObjectName("TopColorPanel");
    bottomColorPanel_->setObjectName("BottomColorPanel");
    topColorButton_->setObjectName("TopColorButton");
    bottomColorButton_->setObjectName("BottomColorButton");
    applyButton_->setObjectName("ApplyButton");
    applyButton_->setEnabled(false);
    for (QFrame* panel : {topColorPanel_, bottomColorPanel_}) {
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setFixedSize(40, 21);
        panel->setAutoFillBackground(true);
        panel->installEventFilter(this);
    }
    SetPanelColor(topColorPanel_, topColor_);
    SetPanelColor(bottomColorPanel_, bottomColor_);

    auto* options = new QGroupBox("Options");
    auto* optionsLayout = new QGridLayout(options);
    optionsLayout->addWidget(showGradient_, 0, 0, 1, 2);
    optionsLayout->addWidget(topColorPanel_, 1, 0);
    optionsLayout->addWidget(topColorButton_, 1, 1);
    optionsLayout->addWidget(bottomColorPanel_, 2, 0);
    optionsLayout->addWidget(bottomColorButton_, 2, 1);
    optionsLayout->addWidget(showTitle_, 3, 0, 1, 2);
    optionsLayout->addWidget(showLegend_, 4, 0, 1, 2);
    optionsLayout->addWidget(showValues_, 5, 0, 1, 2);
    optionsLayout->addWidget(show3D_, 6, 0, 1, 2);

    auto* left = new QVBoxLayout;
    left->addWidget(RadioGroup("Chart Type", "ChartTypeRadioGroup", {"Pie", "Bar"}, chartType_));
    left->addWidget(RadioGroup("Chart Units", "ChartUnitsRadioGroup", {"Percent", "Packets"}, chartUnits_));
    left->addStretch();

    auto* top = new QHBoxLayout;
    top->addLayout(left);
    top->addWidget(options);

    auto* okButton = new TOKButton;
    okButton->setObjectName("OKButton");
    auto* cancelButton = new TCancelButton;
    cancelButton->setObjectName("CancelButton");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);
    buttons->addWidget(applyButton_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);

    connect(chartType_, &QButtonGroup::idClicked, this, &TChartPropertiesForm::ValuesChanged);
    connect(chartUnits_, &QButtonGroup::idClicked, this, &TChartPropertiesForm::ValuesChanged);
    for (QCheckBox* box : {showGradient_, showTitle_, showLegend_, showValues_, show3D_})
        connect(box, &QCheckBox::toggled, this, &TChartPropertiesForm::ValuesChanged);
    connect(showGradient_, &QCheckBox::toggled, this, &TChartPropertiesForm::EnableColors);
    connect(topColorButton_, &QPushButton::clicked, this, [this] { ChooseColor(true); });
    connect(bottomColorButton_, &QPushButton::clicked, this, [this] { ChooseColor(false); });
    connect(applyButton_, &QPushButton::clicked, this, [this] {
        applyButton_->setEnabled(false);
        saved_ = Values();
        emit ChartsChanged();
    });
    saved_ = Values();
}

ChartSettings TChartPropertiesForm::Values() const
{
    ChartSettings values;
    values.ChartType = chartType_->checkedId();
    values.ChartUnits = chartUnits_->checkedId();
    values.ShowGradient = showGradient_->isChecked();
    values.ShowTitle = showTitle_->isChecked();
    values.ShowValues = showValues_->isChecked();
    values.ShowLegend = showLegend_->isChecked();
    values.View3D = show3D_->isChecked();
    values.TopColor = topColor_;
    values.BottomColor = bottomColor_;
    return values;
}

void TChartPropertiesForm::SetValues(const ChartSettings& values)
{
    chartType_->button(values.ChartType == 1 ? 1 : 0)->setChecked(true);
    chartUnits_->button(values.ChartUnits == 1 ? 1 : 0)->setChecked(true);
    showGradient_->setChecked(values.ShowGradient);
    showTitle_->setChecked(values.ShowTitle);
    showValues_->setChecked(values.ShowValues);
    showLegend_->setChecked(values.ShowLegend);
    show3D_->setChecked(values.View3D);
    topColor_ = values.TopColor;
    bottomColor_ = values.BottomColor;
    SetPanelColor(topColorPanel_, topColor_);
    SetPanelColor(bottomColorPanel_, bottomColor_);
    EnableColors();
    ValuesChanged();
}

void TChartPropertiesForm::ChooseColor(bool top)
{
    int32_t& color = top ? topColor_ : bottomColor_;
    const QColor chosen = QColorDialog::getColor(ColorFromBgr(color), this, "Color");
    if (!chosen.isValid() || BgrFromColor(chosen) == color) return;
    color = BgrFromColor(chosen);
    SetPanelColor(top ? topColorPanel_ : bottomColorPanel_, color);
    ValuesChanged();
}

void TChartPropertiesForm::ValuesChanged()
{
    applyButton_->setEnabled(Values() != saved_);
}

void TChartPropertiesForm::SetPanelColor(QFrame* panel, int32_t color)
{
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, ColorFromBgr(color));
    panel->setPalette(palette);
}

void TChartPropertiesForm::EnableColors()
{
    const bool on = showGradient_->isChecked();
    for (QWidget* widget : {static_cast<QWidget*>(topColorPanel_), static_cast<QWidget*>(bottomColorPanel_),
                            static_cast<QWidget*>(topColorButton_), static_cast<QWidget*>(bottomColorButton_)})
        widget->setEnabled(on);
}

void TChartPropertiesForm::showEvent(QShowEvent* event)
{
    saved_ = Values();
    applyButton_->setEnabled(false);
    QDialog::showEvent(event);
}

void TChartPropertiesForm::accept()
{
    saved_ = Values();
    emit ChartsChanged();
    QDialog::accept();
}

void TChartPropertiesForm::reject()
{
    SetValues(saved_);
    emit ChartsChanged();
    QDialog::reject();
}

bool TChartPropertiesForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease && (watched == topColorPanel_ || watched == bottomColorPanel_)) {
        if (static_cast<QWidget*>(watched)->isEnabled()) ChooseColor(watched == topColorPanel_);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace quenlix
