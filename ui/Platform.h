#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QUrl>

#include <functional>

class QWidget;

// The services the window takes from the platform, one job each.

// The application's title: the caption of the error box.
void SetApplicationTitle(const QString& title);
QString ApplicationTitle();

// Runs an event handler as the window framework does: an exception escaping it is shown in the
// error box, the handler's remaining steps are skipped and the application carries on.
void RunHandler(QWidget* window, const std::function<void()>& handler);

// Shows the error box: the message with the "." rule applied, the application title, the
// error icon and OK.
void ShowErrorBox(QWidget* owner, const QString& message);

// Hands an address to the system's default browser; a failure is silent and nothing waits.
void OpenAddress(const QString& address);

// Replaces what OpenAddress uses (tests); returns the previous opener.
using TUrlOpener = std::function<bool(const QUrl&)>;
TUrlOpener SetUrlOpener(TUrlOpener opener);

// How the process was asked to show its first window.
enum class TShowRequest
{
    Normal,
    Maximized,
    MinimizedNoActivate
};
TShowRequest StartupShowRequest();
