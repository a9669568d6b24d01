// What one keystroke costs with a long text in the data field, and the recalculation's share
// of it. A keystroke here is the key event delivered to Edit1 (Qt's editing, the change
// notification with the recalculation) plus the synchronous repaint of the window.
//   QT_QPA_PLATFORM=offscreen bench_keystroke [repeats]
#include "ui/Unit1.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <algorithm>
#include <cstdio>

namespace {

template <typename F> double BestMs(int repeats, F&& work)
{
    double best = 1e9;
    for (int i = 0; i < repeats; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        best = std::min(best, static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    const int repeats = argc > 1 ? std::atoi(argv[1]) : 7;

    std::printf("%-9s %12s %13s %8s\n", "text", "handler ms", "keystroke ms", "share");
    for (const qsizetype kib : {100, 1024}) {
        TForm1 form;
        form.show();
        (void)QTest::qWaitForWindowExposed(&form);
        const QString text = QStringLiteral("01 A0 7C FF 02 ").repeated(kib * 1024 / 15);
        form.Edit1->setText(text);
        form.Edit1->end(false);
        QApplication::processEvents();

        const double handler = BestMs(repeats, [&] { form.Edit1Change(form.Edit1); });
        // Typing a digit and deleting it again: two keystrokes, both recalculated.
        const double keystroke = BestMs(repeats,
                                        [&] {
                                            QTest::keyClick(form.Edit1, Qt::Key_0);
                                            form.repaint();
                                            QTest::keyClick(form.Edit1, Qt::Key_Backspace);
                                            form.repaint();
                                        }) /
                                 2;
        std::printf("%5lld KiB %12.2f %13.2f %7.0f%%\n", static_cast<long long>(kib), handler,
                    keystroke, 100.0 * handler / keystroke);
    }
    return 0;
}
