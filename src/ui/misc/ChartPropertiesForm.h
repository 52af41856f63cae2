#pragma once
// TChartPropertiesForm: the "Chart Properties" dialog of the main window's
// charts. Apply is enabled exactly while some value differs from the copy saved
// when the dialog became active; Cancel puts the saved copy back.

#include <QDialog>

#include "ui/shared/ChartSettings.h"

class QButtonGroup;
class QCheckBox;
class QFrame;
class QPushButton;
class QRadioButton;

namespace quenlix {

class TChartPropertiesForm : public QDialog {
    Q_OBJECT
public:
    explicit TChartPropertiesForm(QWidget* parent = nullptr);

    ChartSettings Values() const;
    // Puts values into the controls (at start-up from the settings).
    void SetValues(const ChartSettings& values);
    ChartSettings SavedValues() const { return saved_; }

    QPushButton* ApplyButton() const { return applyButton_; }
    // Opens the colour picker for the top (true) or bottom colour.
    void ChooseColor(bool top);

    // OK: keep the values and set the charts up again. Cancel: put the saved values back.
    void accept() override;
    void reject() override;

signals:
    // The main window should set its charts up again from Values().
    void ChartsChanged();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ValuesChanged();
    void SetPanelColor(QFrame* panel, int32_t color);
    void EnableColors();

    ChartSettings saved_;
    int32_t topColor_ = ChartSettings{}.TopColor;
    int32_t bottomColor_ = ChartSettings{}.BottomColor;
    QButtonGroup* chartType_;
    QButtonGroup* chartUnits_;
    QCheckBox* showGradient_;
    QCheckBox* showTitle_;
    QCheckBox* showLegend_;
    QCheckBox* showValues_;
    QCheckBox* show3D_;
    QFrame* topColorPanel_;
    QFrame* bottomColorPanel_;
    QPushButton* topColorButton_;
    QPushButton* bottomColorButton_;
    QPushButton* applyButton_;
};

// A 0x00BBGGRR colour as a QColor, and back.
QColor ColorFromBgr(int32_t bgr);
int32_t BgrFromColor(const QColor& color);

}  // namespace quenlix
