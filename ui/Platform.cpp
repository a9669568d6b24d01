#include "ui/Platform.h"

#include "form/FormLayout.h"
#include "ui/QtText.h"

#include <QDesktopServices>
#include <QMessageBox>
#include <QWidget>

#include <exception>

#ifdef _WIN32
#include <windows.h>
#endif

using namespace Qt::StringLiterals;

namespace {

QString& Title()
{
    static QString title;
    return title;
}

TUrlOpener& Opener()
{
    static TUrlOpener opener = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    return opener;
}

} // namespace

void SetApplicationTitle(const QString& title)
{
    Title() = title;
}

QString ApplicationTitle()
{
    return Title();
}

void ShowErrorBox(QWidget* owner, const QString& message)
{
    QMessageBox box(QMessageBox::Critical, ApplicationTitle(),
                    ToQString(ErrorBoxText(ToU16View(message))),
                    QMessageBox::Ok, owner);
    box.exec();
}

void RunHandler(QWidget* window, const std::function<void()>& handler)
{
    try {
        handler();
    } catch (const std::exception& failure) {
        ShowErrorBox(window, QString::fromUtf8(failure.what()));
    } catch (...) {
        ShowErrorBox(window, u"Unknown failure"_s);
    }
}

void OpenAddress(const QString& address)
{
    (void)Opener()(QUrl(address));
}

TUrlOpener SetUrlOpener(TUrlOpener opener)
{
    std::swap(Opener(), opener);
    return opener;
}

TShowRequest StartupShowRequest()
{
#ifdef _WIN32
    STARTUPINFOW info{};
    info.cb = sizeof info;
    GetStartupInfoW(&info);
    if (info.dwFlags & STARTF_USESHOWWINDOW) {
        if (info.wShowWindow == SW_SHOWMAXIMIZED)
            return TShowRequest::Maximized;
        if (info.wShowWindow == SW_SHOWMINNOACTIVE)
            return TShowRequest::MinimizedNoActivate;
    }
#endif
    // Other platforms start a window as the window manager decides; there is no request.
    return TShowRequest::Normal;
}

QPoint CentredPosition(const QRect& desktop, const QSize& outerSize)
{
    const int left = desktop.left() + desktop.width() / 2 - outerSize.width() / 2;
    const int top = desktop.top() + desktop.height() / 2 - outerSize.height() / 2;
    return {std::max(left, desktop.left()), std::max(top, desktop.top())};
}
