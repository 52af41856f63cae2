#pragma once
// TBetterSpinEdit: a numeric edit with spin buttons, bounds and two step sizes.

#include <QWidget>

#include "ui/controls/SpinEditContent.h"

class QLineEdit;
class QToolButton;

namespace quenlix {

class TBetterSpinEdit : public QWidget {
    Q_OBJECT
public:
    explicit TBetterSpinEdit(QWidget* parent = nullptr);

    int32_t Value();  // parses the text first, as leaving the control does
    void SetValue(int64_t value);
    void SetBounds(int32_t minValue, int32_t maxValue);
    void SetIncrement(int32_t increment) { value_.Increment = increment; }
    void SetFastIncrement(int32_t increment) { value_.FastIncrement = increment; }
    void SetEditorEnabled(bool enabled) { editorEnabled_ = enabled; }
    void SetReadOnly(bool readOnly);
    QLineEdit* Editor() const { return editor_; }
    // Widens the control to show a number of that many digits whole.
    void FitDigits(int digits);
    QString Text() const;

    QSize sizeHint() const override { return {65, 21}; }
    QSize minimumSizeHint() const override { return {kSpinEditMinimumWidth, 21}; }

signals:
    void OnChange();
    void OnUpClick();
    void OnDownClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Step(bool up, bool fast);
    void ParseAndSet();

    SpinEditValue value_;
    bool editorEnabled_ = true;
    bool readOnly_ = false;
    QLineEdit* editor_;
    QToolButton* upButton_;
    QToolButton* downButton_;
};

}  // namespace quenlix
