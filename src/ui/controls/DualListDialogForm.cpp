#include "ui/controls/DualListDialogForm.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/controls/DialogButtonWidget.h"
#include "ui/controls/QtText.h"

namespace quenlix {

TDualListDialogForm::TDualListDialogForm(QWidget* parent)
    : QDialog(parent), srcLabel_(new QLabel(kDualListShowLabel, this)), dstLabel_(new QLabel(kDualListHideLabel, this)),
      srcList_(new QListWidget(this)), dstList_(new QListWidget(this)), includeBtn_(new QPushButton(">", this)),
      incAllBtn_(new QPushButton(">>", this)), excludeBtn_(new QPushButton("<", this)),
      exAllBtn_(new QPushButton("<<", this))
{
    setObjectName("DualListDialogForm");
    setWindowTitle(kDualListCaption);
    srcList_->setObjectName("SrcList");
    dstList_->setObjectName("DstList");
    srcLabel_->setObjectName("SrcLabel");
    dstLabel_->setObjectName("DstLabel");
    for (QListWidget* list : {srcList_, dstList_}) {
        list->setFixedWidth(kDualListWidth);
        list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    }
    const std::pair<QPushButton*, const char*> buttons[] = {
        {includeBtn_, "IncludeBtn"}, {incAllBtn_, "IncAllBtn"}, {excludeBtn_, "ExcludeBtn"}, {exAllBtn_, "ExAllBtn"}};
    const char* hints[] = {"Hide the selected stations", "Hide all stations", "Show the selected stations",
                           "Show all stations"};
    auto* buttonColumn = new QVBoxLayout;
    buttonColumn->addStretch();
    for (size_t i = 0; i < 4; ++i) {
        buttons[i].first->setObjectName(buttons[i].second);
        buttons[i].first->setToolTip(hints[i]);
        buttons[i].first->setFixedWidth(32);
        buttonColumn->addWidget(buttons[i].first);
    }
    buttonColumn->addStretch();
    connect(includeBtn_, &QPushButton::clicked, this, &TDualListDialogForm::IncludeBtnClick);
    connect(incAllBtn_, &QPushButton::clicked, this, &TDualListDialogForm::IncAllBtnClick);
    connect(excludeBtn_, &QPushButton::clicked, this, &TDualListDialogForm::ExcludeBtnClick);
    connect(exAllBtn_, &QPushButton::clicked, this, &TDualListDialogForm::ExAllBtnClick);

    auto* lists = new QGridLayout;
    lists->setHorizontalSpacing(8);
    lists->addWidget(srcLabel_, 0, 0);
    lists->addWidget(dstLabel_, 0, 2);
    lists->addWidget(srcList_, 1, 0);
    lists->addLayout(buttonColumn, 1, 1);
    lists->addWidget(dstList_, 1, 2);

    auto* ok = new TOKButton(this);
    ok->setObjectName("OKButton");
    ok->setText("&OK");
    auto* cancel = new TCancelButton(this);
    cancel->setObjectName("CancelButton");
    cancel->setText("&Cancel");
    // OK ends 2 pixels left of the centre, Cancel starts 2 pixels right of it.
    auto* okRow = new QHBoxLayout;
    okRow->addStretch();
    okRow->addWidget(ok);
    okRow->addSpacing(4);
    okRow->addWidget(cancel);
    okRow->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addLayout(lists);
    layout->addLayout(okRow);
    ShowLists();
}

QPushButton* TDualListDialogForm::Button(const QString& name) const { return findChild<QPushButton*>(name); }

void TDualListDialogForm::SetLists(DualListContent lists)
{
    lists_ = std::move(lists);
    ShowLists();
}

bool TDualListDialogForm::Execute(DualListContent& lists)
{
    SetLists(lists);
    if (exec() != QDialog::Accepted) return false;
    lists = lists_;
    return true;
}

void TDualListDialogForm::ReadSelection()
{
    for (int i = 0; i < srcList_->count() && i < static_cast<int>(lists_.Show.size()); ++i)
        lists_.Show[static_cast<size_t>(i)].Selected = srcList_->item(i)->isSelected();
    for (int i = 0; i < dstList_->count() && i < static_cast<int>(lists_.Hide.size()); ++i)
        lists_.Hide[static_cast<size_t>(i)].Selected = dstList_->item(i)->isSelected();
}

void TDualListDialogForm::ShowLists()
{
    auto fill = [](QListWidget* widget, const std::vector<DualListEntry>& entries, int current) {
        widget->clear();
        for (const DualListEntry& entry : entries) widget->addItem(Q(entry.Text));
        for (int i = 0; i < widget->count(); ++i) widget->item(i)->setSelected(entries[static_cast<size_t>(i)].Selected);
        if (current >= 0 && current < widget->count()) widget->setCurrentRow(current);
    };
    fill(srcList_, lists_.Show, lists_.ShowCurrent);
    fill(dstList_, lists_.Hide, lists_.HideCurrent);
    includeBtn_->setEnabled(lists_.IncludeEnabled());
    incAllBtn_->setEnabled(lists_.IncludeEnabled());
    excludeBtn_->setEnabled(lists_.ExcludeEnabled());
    exAllBtn_->setEnabled(lists_.ExcludeEnabled());
}

void TDualListDialogForm::IncludeBtnClick()
{
    ReadSelection();
    lists_.Include();
    ShowLists();
    srcList_->setFocus();
}

void TDualListDialogForm::IncAllBtnClick()
{
    lists_.IncludeAll();
    ShowLists();
    srcList_->setFocus();
}

void TDualListDialogForm::ExcludeBtnClick()
{
    ReadSelection();
    lists_.Exclude();
    ShowLists();
    dstList_->setFocus();
}

void TDualListDialogForm::ExAllBtnClick()
{
    lists_.ExcludeAll();
    ShowLists();
    dstList_->setFocus();
}

}  // namespace quenlix
