#include "ui/Platform.h"

#include "form/Display.h"
#include "form/FormLayout.h"
#include "ui/QtText.h"

#include <QDesktopServices>
#include <QMessageBox>
#include <QWidget>

#include <exception>

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
                    ToQString(ErrorBoxText(ToU16View(message))), QMessageBox::Ok, owner);
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
    // The desktops this front end runs on start a window as the window manager decides; no
    // program that starts this one asks for a state.
    return TShowRequest::Normal;
}
