#include "ui/controls/GroupBoxWidget.h"

#include <QGroupBox>

namespace quenlix {

QGroupBox* BoldGroup(const QString& caption, const QString& name, const QString& hint)
{
    auto* group = new QGroupBox(caption);
    group->setObjectName(name);
    QFont font = group->font();
    font.setBold(true);
    group->setFont(font);
    if (!hint.isEmpty()) group->setToolTip(hint);
    return group;
}

}  // namespace quenlix
