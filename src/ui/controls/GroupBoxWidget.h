#pragma once
// Group boxes with a bold caption, as the summary and expert pages draw them.

#include <QFont>
#include <QString>

class QGroupBox;

namespace quenlix {

// A group box with a bold caption; the hint, when given, is its tool tip.
QGroupBox* BoldGroup(const QString& caption, const QString& name, const QString& hint = {});

// Children of a bold group box keep the normal font.
template <class T>
T* Plain(T* widget)
{
    QFont font = widget->font();
    font.setBold(false);
    widget->setFont(font);
    return widget;
}

}  // namespace quenlix
