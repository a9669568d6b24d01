#include "form/FormLayout.h"
#include "form/Placement.h"
#include "product/Product.h"
#include "ui/Platform.h"
#include "ui/QtText.h"
#include "ui/Unit1.h"

#include <QApplication>
#include <QIcon>
#include <QScreen>

using namespace Qt::StringLiterals;

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationVersion(QString::fromLatin1(VersionText));
    // Lets the desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(SUMVANE_APP_ID));
    QApplication::setWindowIcon(QIcon(u":/sumvane.png"_s));
    // The error box's caption; deliberately not Qt's application display name, which the
    // platform would append to the window's own caption.
    SetApplicationTitle(ToQString(ApplicationTitleText));

    TForm1 Form1;
    const QRect desktop = Form1.screen()->virtualGeometry();
    const TPlacePoint at =
        CentredPosition({desktop.left(), desktop.top(), desktop.width(), desktop.height()},
                        Form1.frameGeometry().width(), Form1.frameGeometry().height());
    Form1.move(at.X, at.Y);

    switch (StartupShowRequest()) {
    case TShowRequest::Maximized:
        Form1.showMaximized();
        break;
    case TShowRequest::MinimizedNoActivate:
        Form1.setAttribute(Qt::WA_ShowWithoutActivating);
        Form1.showMinimized();
        break;
    case TShowRequest::Normal:
        Form1.show();
        break;
    }
    return QApplication::exec();
}
