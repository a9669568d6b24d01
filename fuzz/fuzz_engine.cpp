// Feeds arbitrary input to the engine the two ways it arrives, as UTF-8 bytes (the command-line
// tool) and as UTF-16 code units (the window, lone surrogates included), and holds the verdict,
// byte count and LRC to the independent model, and the diagnosis of malformed text to the
// verdict: a flaw exactly when the text is refused. Any difference aborts.
#include "engine/Frame.h"
#include "engine/Lrc.h"
#include "tests/support/LrcModel.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void Expect(const TLrcResult& actual, const TLrcResult& expected, const char* form)
{
    const bool same = actual.Valid == expected.Valid &&
                      (!expected.Valid ||
                       (actual.ByteCount == expected.ByteCount && actual.Lrc == expected.Lrc));
    if (same)
        return;
    std::fprintf(stderr, "%s: engine says valid=%d bytes=%d lrc=%d, model valid=%d bytes=%d lrc=%d\n",
                 form, actual.Valid, actual.ByteCount, actual.Lrc, expected.Valid,
                 expected.ByteCount, expected.Lrc);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const TLrcResult verdict = CalculateLrcUtf8(bytes);
    Expect(verdict, ModelLrcUtf8(bytes), "UTF-8");
    if (DiagnoseSpaced(bytes).has_value() == verdict.Valid) {
        std::fprintf(stderr, "diagnosis disagrees with the verdict valid=%d\n", verdict.Valid);
        std::abort();
    }

    std::u16string text(size / 2, u'\0');
    std::memcpy(text.data(), data, size / 2 * 2);
    Expect(CalculateLrc(text), ModelLrc(text), "UTF-16");
    return 0;
}
