#include "ui/controls/BetterSpinEditWidget.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace quenlix {

TBetterSpinEdit::TBetterSpinEdit(QWidget* parent)
    : QWidget(parent), editor_(new QLineEdit("0", this)), upButton_(new QToolButton(this)),
      downButton_(new QToolButton(this))
{
    upButton_->setArrowType(Qt::UpArrow);
    downButton_->setArrowType(Qt::DownArrow);
    for (QToolButton* button : {upButton_, downButton_}) {
        button->setFixedSize(15, 9);
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
    }
    auto* buttons = new QVBoxLayout;
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->setSpacing(0);
    buttons->addWidget(upButton_);
    buttons->addWidget(downButton_);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(editor_);
    layout->addLayout(buttons);
    setMinimumWidth(kSpinEditMinimumWidth);

    editor_->installEventFilter(this);
    connect(upButton_, &QToolButton::clicked, this, [this] {
        Step(true, false);
        emit OnUpClick();
    });
    connect(downButton_, &QToolButton::clicked, this, [this] {
        Step(false, false);
        emit OnDownClick();
    });
    connect(editor_, &QLineEdit::editingFinished, this, &TBetterSpinEdit::ParseAndSet);
}

void TBetterSpinEdit::FitDigits(int digits)
{
    // The editor keeps a margin of two pixels each side of its text, inside its
    // frame and text margins; the spin buttons stand beside it.
    constexpr int kEditorTextMargin = 2;
    const QMargins margins = editor_->textMargins();
    const int frame = editor_->hasFrame() ? style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, editor_) : 0;
    const int text = editor_->fontMetrics().horizontalAdvance(QString(digits, '9'));
    setMinimumWidth(text + 2 * (kEditorTextMargin + frame) + margins.left() + margins.right() + upButton_->width());
}

int32_t TBetterSpinEdit::Value()
{
    ParseAndSet();
    return value_.Value();
}

QString TBetterSpinEdit::Text() const
{
    return editor_->text();
}

void TBetterSpinEdit::SetValue(int64_t value)
{
    const bool changed = value_.SetValue(value);
    editor_->setText(QString::fromStdString(value_.Text()));
    if (changed) emit OnChange();
}

void TBetterSpinEdit::SetBounds(int32_t minValue, int32_t maxValue)
{
    value_.MinValue = minValue;
    value_.MaxValue = maxValue;
    SetValue(value_.Value());
}

void TBetterSpinEdit::SetReadOnly(bool readOnly)
{
    readOnly_ = readOnly;
    editor_->setReadOnly(readOnly);
}

void TBetterSpinEdit::Step(bool up, bool fast)
{
    if (readOnly_) {
        QApplication::beep();
        return;
    }
    ParseAndSet();
    const int64_t step = fast ? value_.FastIncrement : value_.Increment;
    SetValue(int64_t{value_.Value()} + (up ? step : -step));
}

void TBetterSpinEdit::ParseAndSet()
{
    SetValue(value_.Parse(editor_->text().toStdString()));
}

bool TBetterSpinEdit::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != editor_ || event->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
    case Qt::Key_Up: Step(true, false); return true;
    case Qt::Key_Down: Step(false, false); return true;
    case Qt::Key_PageUp: Step(true, true); return true;
    case Qt::Key_PageDown: Step(false, true); return true;
    case Qt::Key_Return:
    case Qt::Key_Enter: ParseAndSet(); return true;
    case Qt::Key_Backspace:
        if (!editorEnabled_) QApplication::beep();
        return !editorEnabled_;
    default: break;
    }
    const QString text = key->text();
    if (text.isEmpty()) return false;
    const char32_t character = text.toUcs4().value(0);
    if (SpinEditAcceptsCharacter(character, editorEnabled_)) return false;
    QApplication::beep();
    return true;
}

}  // namespace quenlix
