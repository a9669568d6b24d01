#include "ui/Layout.h"

#include <QLabel>
#include <QWidget>

#include <cstdlib>

int MulDiv(int value, int numerator, int denominator)
{
    const qint64 product = static_cast<qint64>(value) * numerator;
    const qint64 rounded = (std::llabs(product) * 2 + std::llabs(denominator)) / (2 * std::llabs(denominator));
    return static_cast<int>((product < 0) != (denominator < 0) ? -rounded : rounded);
}

void ScaleLayout(QWidget* window, int numerator, int denominator)
{
    const auto scaled = [&](const QRect& r) {
        return QRect(MulDiv(r.x(), numerator, denominator), MulDiv(r.y(), numerator, denominator),
                     MulDiv(r.width(), numerator, denominator),
                     MulDiv(r.height(), numerator, denominator));
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
