#include "ui/TStatusAnnouncer.h"

#include <QLineEdit>

TStatusAnnouncer::TStatusAnnouncer(QLineEdit* field, const QString& example, QObject* parent)
    : QObject(parent), m_field(field), m_example(example)
{
    m_field->setAccessibleDescription(m_example);
    m_quiet.setSingleShot(true);
    m_quiet.setInterval(QuietMilliseconds);
    connect(&m_quiet, &QTimer::timeout, this, &TStatusAnnouncer::Announce);
}

void TStatusAnnouncer::StatusChanged(const QString& status)
{
    m_pending = status;
    m_quiet.start();
}

void TStatusAnnouncer::Announce()
{
    if (m_pending == m_announced)
        return;
    m_announced = m_pending;
    // Qt sends the description change to assistive technology itself.
    m_field->setAccessibleDescription(m_announced + u'；' + m_example);
}
