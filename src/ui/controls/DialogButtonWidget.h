#pragma once
// TOKButton and TCancelButton: the dialogs' default and cancel buttons. A click
// ends the dialog that holds them with the matching result.

#include <QPushButton>

namespace quenlix {

class TOKButton : public QPushButton {
    Q_OBJECT
public:
    explicit TOKButton(QWidget* parent = nullptr);
};

class TCancelButton : public QPushButton {
    Q_OBJECT
public:
    explicit TCancelButton(QWidget* parent = nullptr);
};

}  // namespace quenlix
