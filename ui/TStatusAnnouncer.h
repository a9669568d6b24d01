#pragma once

#include "form/Recalculation.h"

#include <QObject>
#include <QString>
#include <QTimer>

class QLineEdit;

// Tells assistive technology the status the display settles on while the focus stays in the
// data field. Screen readers speak a description change of the focused field, not a caption
// change of a label elsewhere, so the status goes into the field's accessible description,
// ahead of the example of the format.
//
// When a status is due and whether it is new is the recalculation's rule; this runs the timer
// that asks it and writes the description.
class TStatusAnnouncer : public QObject
{
    Q_OBJECT

public:
    // The recalculation outlives the announcer.
    TStatusAnnouncer(QLineEdit* field, const QString& example, TRecalculation& recalculation,
                     QObject* parent = nullptr);

    // The clock the recalculation runs on: monotonic milliseconds.
    static TMilliseconds Now();

    // The recalculation's status settles at `due`, the clock reading `now`: the timer runs
    // (again) until then.
    void SettleAt(TMilliseconds due, TMilliseconds now);

private:
    void Settle();

    QLineEdit* m_field;
    QString m_example;
    TRecalculation& m_recalculation;
    QTimer m_quiet;
};
