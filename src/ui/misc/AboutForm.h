#pragma once
// TAboutForm: program name, version and the toolkit's version; and
// TTechnicalSupportForm: the maker's contact details.

#include <QDialog>

namespace quenlix {

class TTechnicalSupportForm : public QDialog {
    Q_OBJECT
public:
    explicit TTechnicalSupportForm(QWidget* parent = nullptr);
};

class TAboutForm : public QDialog {
    Q_OBJECT
public:
    TAboutForm(TTechnicalSupportForm* techSupport, QWidget* parent = nullptr);
    void SetTechnicalSupport(TTechnicalSupportForm* techSupport) { techSupport_ = techSupport; }

private:
    TTechnicalSupportForm* techSupport_;
};

}  // namespace quenlix
