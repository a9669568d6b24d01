#pragma once

#include "form/Display.h"

#include <QObject>
#include <QString>
#include <QTimer>

class QLineEdit;

// Tells assistive technology the status the display settles on while the focus stays in the
// data field. Screen readers speak a description change of the focused field, not a caption
// change of a label elsewhere, so the status goes into the field's accessible description,
// ahead of the example of the format.
//
// Typing "01 A0" passes through a malformed text after every first digit; announcing each of
// those would drown the user in "malformed" and byte counts. The description is written only
// after the text has been left alone for a short quiet time, and only when the status differs
// from the one last announced. The window itself is not delayed: it follows every keystroke.
class TStatusAnnouncer : public QObject
{
    Q_OBJECT

public:
    static constexpr int QuietMilliseconds = StatusQuietMilliseconds;

    TStatusAnnouncer(QLineEdit* field, const QString& example, QObject* parent = nullptr);

    // The display has changed to this status; it is announced once it settles.
    void StatusChanged(const QString& status);

private:
    void Announce();

    QLineEdit* m_field;
    QString m_example;
    QString m_pending;
    QString m_announced;
    QTimer m_quiet;
};
