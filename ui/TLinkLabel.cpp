#include "ui/TLinkLabel.h"

#include <QAccessibleWidget>
#include <QMouseEvent>

namespace {

// The link as assistive technology meets it: the link role, its address as its name, and a
// press action that clicks it.
class TLinkLabelAccessible : public QAccessibleWidget
{
public:
    explicit TLinkLabelAccessible(TLinkLabel* label) : QAccessibleWidget(label, QAccessible::Link)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return Label()->text();
        return QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& actionName) override
    {
        if (actionName == pressAction())
            emit Label()->clicked();
    }

private:
    TLinkLabel* Label() const { return static_cast<TLinkLabel*>(widget()); }
};

QAccessibleInterface* LinkLabelAccessibleFactory(const QString& className, QObject* object)
{
    if (className == QLatin1StringView(TLinkLabel::staticMetaObject.className()) &&
        object->isWidgetType())
        return new TLinkLabelAccessible(static_cast<TLinkLabel*>(object));
    return nullptr;
}

} // namespace

TLinkLabel::TLinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    static const bool installed = [] {
        QAccessible::installFactory(LinkLabelAccessibleFactory);
        return true;
    }();
    (void)installed;
    setCursor(Qt::PointingHandCursor);
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
}

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
