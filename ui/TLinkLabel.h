#pragma once

#include <QLabel>

// A label that looks like a hyperlink (underlined, the hand-pointer cursor) and reports a click:
// the left button pressed on it and released over it. A double click is one click, not two.
// Assistive technology sees it as a link whose press action is the same click.
class TLinkLabel : public QLabel
{
    Q_OBJECT

public:
    explicit TLinkLabel(const QString& text, QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // QWidget's default treats the second press of a double click as another press, which
    // would make its release a second click.
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    bool m_pressed = false;
};
