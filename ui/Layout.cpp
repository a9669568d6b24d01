#include "ui/Layout.h"

#include <QLabel>
#include <QWidget>


void ScaleLayout(QWidget* window, int numerator, int denominator)
{
    const auto scaled = [&](const QRect& r) {
        return QRect(MulDivRounded(r.x(), numerator, denominator), MulDivRounded(r.y(), numerator, denominator),
                     MulDivRounded(r.width(), numerator, denominator),
                     MulDivRounded(r.height(), numerator, denominator));
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
