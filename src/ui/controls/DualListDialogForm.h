#pragma once
// TDualListDialogForm: the modal "Viewable Stations" dialog. It shows the two
// lists of a DualListContent and moves entries between them by its rules; the
// caller fills the lists before and reads them after an OK.

#include <QDialog>

#include "ui/controls/DualListContent.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace quenlix {

class TDualListDialogForm : public QDialog {
    Q_OBJECT
public:
    explicit TDualListDialogForm(QWidget* parent = nullptr);

    // Shows the lists modally; true and the moved lists on OK.
    bool Execute(DualListContent& lists);

    void SetLists(DualListContent lists);
    const DualListContent& Lists() const { return lists_; }

    QListWidget* SrcList() const { return srcList_; }
    QListWidget* DstList() const { return dstList_; }
    QPushButton* Button(const QString& name) const;

    void IncludeBtnClick();
    void IncAllBtnClick();
    void ExcludeBtnClick();
    void ExAllBtnClick();

private:
    void ReadSelection();
    void ShowLists();

    DualListContent lists_;
    QLabel* srcLabel_;
    QLabel* dstLabel_;
    QListWidget* srcList_;
    QListWidget* dstList_;
    QPushButton* includeBtn_;
    QPushButton* incAllBtn_;
    QPushButton* excludeBtn_;
    QPushButton* exAllBtn_;
};

}  // namespace quenlix
