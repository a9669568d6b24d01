#include "ui/TLinkLabel.h"

#include <QMouseEvent>

void TLinkLabel::mousePressEvent(QMouseEvent* event)
{
    m_pressed = event->button() == Qt::LeftButton;
    event->accept();
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    m_pressed = false;
    event->accept();
    if (click)
        emit clicked();
}

void TLinkLabel::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->accept();
}
