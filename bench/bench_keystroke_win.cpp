// What one keystroke costs in the Windows window with a long text in the data field, and the
// recalculation's share of it. A keystroke here is WM_CHAR delivered to Edit1 (the edit
// control's editing, EN_CHANGE with the recalculation) plus the synchronous repaint.
//   bench_keystroke_win.exe [repeats]        (under Wine: tests/wine/run.sh PREFIX ...)
#include "win/Unit1.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

template <typename F> double BestMs(int repeats, F&& work)
{
    double best = 1e9;
    for (int i = 0; i < repeats; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        best = std::min(best, std::chrono::duration<double, std::milli>(
                                  std::chrono::steady_clock::now() - start)
                                  .count());
    }
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    const int repeats = argc > 1 ? std::atoi(argv[1]) : 7;
    std::printf("%-9s %12s %13s %8s\n", "text", "handler ms", "keystroke ms", "share");
    for (const int kib : {100, 1024}) {
        TForm1 form({96, false});
        ShowWindow(form.Handle(), SW_SHOWNORMAL);
        std::wstring text;
        while (text.size() + 15 <= static_cast<std::size_t>(kib) * 1024)
            text += L"01 A0 7C FF 02 ";
        SetWindowTextW(form.Edit1, text.c_str());
        SendMessageW(form.Edit1, EM_SETSEL, text.size(), text.size());
        UpdateWindow(form.Handle());

        const double handler = BestMs(repeats, [&] { form.Edit1Change(form.Edit1); });
        // Typing a digit and deleting it again: two keystrokes, both recalculated.
        const double keystroke =
            BestMs(
                repeats,
                [&] {
                    SendMessageW(form.Edit1, WM_CHAR, L'0', 1);
                    RedrawWindow(form.Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
                    SendMessageW(form.Edit1, WM_CHAR, VK_BACK, 1);
                    RedrawWindow(form.Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
                }) /
            2;
        std::printf("%5d KiB %12.2f %13.2f %7.0f%%\n", kib, handler, keystroke,
                    100.0 * handler / keystroke);
    }
    return 0;
}
