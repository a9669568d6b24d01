// The engine's cost per MiB of data text, against a plain pass over the same buffer.
//   bench_engine [repeats]
#include "engine/Lrc.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

template <typename F> double BestSeconds(int repeats, F&& work)
{
    double best = 1e9;
    for (int i = 0; i < repeats; ++i) {
        const auto start = Clock::now();
        work();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

volatile unsigned g_sink; // keeps the work from being optimised away

// Whole copies of block up to mib MiB, then the tail.
std::string Repeated(const std::string& block, std::size_t mib, const std::string& tail = {})
{
    std::string text;
    text.reserve((mib << 20) + tail.size());
    while (text.size() + block.size() <= (mib << 20))
        text += block;
    return text + tail;
}

} // namespace

int main(int argc, char** argv)
{
    const int repeats = argc > 1 ? std::atoi(argv[1]) : 5;
    std::printf("%-8s %14s %14s %14s %10s\n", "size", "engine ms/MiB", "UTF-16 ms/MiB",
                "plain ms/MiB", "ratio");
    for (const std::size_t mib : {1, 16, 64}) {
        const std::string text = Repeated("01 A0 7C FF 02 ", mib);
        const std::u16string wide(text.begin(), text.end());

        const double engine = BestSeconds(
            repeats, [&] { g_sink = static_cast<unsigned>(CalculateLrcUtf8(text).Lrc); });
        const double viaUtf16 =
            BestSeconds(repeats, [&] { g_sink = static_cast<unsigned>(CalculateLrc(wide).Lrc); });
        // The floor any validator has to pay: touching every byte once.
        const double plain = BestSeconds(repeats, [&] {
            g_sink = std::accumulate(text.begin(), text.end(), 0u, [](unsigned s, char c) {
                return s + static_cast<unsigned char>(c);
            });
        });
        const double perMib = 1000.0 / static_cast<double>(mib);
        std::printf("%3zu MiB  %14.2f %14.2f %14.2f %9.1fx\n", mib, engine * perMib,
                    viaUtf16 * perMib, plain * perMib, engine / plain);
    }

    // Hostile texts: the verdict must stay linear in the length whatever the text holds.
    std::printf("\n%-34s %10s %10s %13s\n", "hostile text", "4 MiB ms", "64 MiB ms",
                "64/4 (lin. 16)");
    struct THostile
    {
        const char* name;
        std::string block;
        std::string tail;
    };
    const THostile kinds[] = {
        {"almost valid (bad last character)", "A0 ", "G"},
        {"almost valid (two blanks at end)", "A0 ", " "},
        {"nothing but CR LF", "\r\n", ""},
        {"nothing but blanks", " ", ""},
        {"pairs joined by NUL", std::string("01\0", 3), ""},
        {"valid, non-ASCII at the end", "A0 ", "\xe3\x80\x80"},
    };
    for (const THostile& kind : kinds) {
        double ms[2];
        int i = 0;
        for (const std::size_t mib : {4, 64}) {
            const std::string text = Repeated(kind.block, mib, kind.tail);
            ms[i++] = BestSeconds(repeats, [&] { g_sink = CalculateLrcUtf8(text).Valid; }) * 1000;
        }
        std::printf("%-34s %10.1f %10.1f %13.1f\n", kind.name, ms[0], ms[1], ms[1] / ms[0]);
    }
    return 0;
}
