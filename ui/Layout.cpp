#include "ui/Layout.h"

#include <QLabel>
#include <QWidget>

void ScaleLayout(QWidget* window, int numerator, int denominator)
{
    const auto scaled = [&](const QRect& r) {
        const auto scale = [&](int v) { return MulDivRounded(v, numerator, denominator); };
        return QRect(scale(r.x()), scale(r.y()), scale(r.width()), scale(r.height()));
    };
    for (QWidget* child : window->findChildren<QWidget*>())
        child->setGeometry(scaled(child->geometry()));
    window->resize(scaled(QRect(QPoint(), window->size())).size());
}

void AutoSizeLabel(QLabel* label)
{
    const QRect before = label->geometry();
    QRect after(before.topLeft(), label->sizeHint());
    if (label->alignment() & Qt::AlignRight)
        after.moveRight(before.right());
    label->setGeometry(after);
}
