#include "ui/TStatusAnnouncer.h"

#include "ui/QtText.h"

#include <QDeadlineTimer>
#include <QLineEdit>

#include <algorithm>
#include <chrono>

TStatusAnnouncer::TStatusAnnouncer(QLineEdit* field, const QString& example,
                                   TRecalculation& recalculation, QObject* parent)
    : QObject(parent), m_field(field), m_example(example), m_recalculation(recalculation)
{
    m_field->setAccessibleDescription(m_example);
    m_quiet.setSingleShot(true);
    connect(&m_quiet, &QTimer::timeout, this, &TStatusAnnouncer::Settle);
}

TMilliseconds TStatusAnnouncer::Now()
{
    // QTimer measures its intervals on the same monotonic clock.
    return QDeadlineTimer::current().deadline();
}

void TStatusAnnouncer::SettleAt(TMilliseconds due, TMilliseconds now)
{
    m_quiet.start(std::chrono::milliseconds(std::max<TMilliseconds>(due - now, 0)));
}

void TStatusAnnouncer::Settle()
{
    const TMilliseconds now = Now();
    if (const std::optional<std::u16string> status = m_recalculation.Settle(now))
        // Qt sends the description change to assistive technology itself.
        m_field->setAccessibleDescription(ToQString(*status) + u'；' + m_example);
    else if (const std::optional<TMilliseconds> due = m_recalculation.SettlesAt())
        // A coarse timer may run out a little before its interval has passed on the clock.
        SettleAt(*due, now);
}
