#include "ui/controls/DialogButtonWidget.h"

#include <QDialog>

namespace quenlix {

namespace {

QDialog* DialogOf(QWidget* widget)
{
    for (QWidget* w = widget; w != nullptr; w = w->parentWidget())
        if (auto* dialog = qobject_cast<QDialog*>(w)) return dialog;
    return nullptr;
}

}  // namespace

TOKButton::TOKButton(QWidget* parent) : QPushButton("OK", parent)
{
    setDefault(true);
    connect(this, &QPushButton::clicked, this, [this] {
        if (QDialog* dialog = DialogOf(this)) dialog->accept();
    });
}

TCancelButton::TCancelButton(QWidget* parent) : QPushButton("Cancel", parent)
{
    // Esc reaches a dialog's reject(), which is what this button does too.
    connect(this, &QPushButton::clicked, this, [this] {
        if (QDialog* dialog = DialogOf(this)) dialog->reject();
    });
}

}  // namespace quenlix
