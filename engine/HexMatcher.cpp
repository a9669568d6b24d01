#include "engine/HexMatcher.h"

#include "engine/LrcError.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <cstdint>
#include <memory>
#include <string>

namespace {

std::string PcreMessage(int code)
{
    PCRE2_UCHAR buffer[256];
    if (pcre2_get_error_message(code, buffer, sizeof buffer) < 0)
        return "PCRE2 error " + std::to_string(code);
    return reinterpret_cast<const char*>(buffer);
}

} // namespace

// Each PCRE2 object with the function that frees it.
template <typename T, void (*Free)(T*)> struct TFree
{
    void operator()(T* object) const { Free(object); }
};
template <typename T, void (*Free)(T*)> using TOwned = std::unique_ptr<T, TFree<T, Free>>;

struct HexMatcher::TPcre
{
    TOwned<pcre2_code, pcre2_code_free> code;
    // The JIT's attempt runs under its own limit; the interpreter, which decides whatever the
    // JIT could not, under none. Two contexts, so that matching sets nothing.
    TOwned<pcre2_match_context, pcre2_match_context_free> jitContext;
    TOwned<pcre2_match_context, pcre2_match_context_free> interpreterContext;
    // The pattern captures nothing, so this is one small block, reused by every match.
    TOwned<pcre2_match_data, pcre2_match_data_free> matchData;
    bool jit = false;
};

namespace {

TOwned<pcre2_match_context, pcre2_match_context_free> MatchContext(std::uint32_t matchLimit)
{
    TOwned<pcre2_match_context, pcre2_match_context_free> context(
        pcre2_match_context_create(nullptr));
    if (!context)
        throw ELrcError("out of memory creating the PCRE2 match context");
    pcre2_set_match_limit(context.get(), matchLimit);
    return context;
}

} // namespace

HexMatcher::HexMatcher(std::uint32_t jitMatchLimit)
{
    auto p = std::make_unique<TPcre>();
    const TOwned<pcre2_compile_context, pcre2_compile_context_free> compileContext(
        pcre2_compile_context_create(nullptr));
    if (!compileContext)
        throw ELrcError("out of memory creating the PCRE2 compile context");
    // In PCRE2 the newline convention is a context setting, not an option bit.
    pcre2_set_newline(compileContext.get(), PCRE2_NEWLINE_ANY);

    int error = 0;
    PCRE2_SIZE errorOffset = 0;
    p->code.reset(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(Pattern.data()), Pattern.size(),
                                PCRE2_UTF, &error, &errorOffset, compileContext.get()));
    if (!p->code)
        throw ELrcError("cannot compile the data-text pattern: " + PcreMessage(error));

    // Without JIT (unsupported CPU, no executable memory) the interpreter gives the same
    // verdicts, only slower.
    p->jit = pcre2_jit_compile(p->code.get(), PCRE2_JIT_COMPLETE) == 0;
    // The possessive group costs about one unit of the match limit per byte; the default (ten
    // million) would refuse texts of some 30 MB.
    p->jitContext = MatchContext(p->jit ? jitMatchLimit : UINT32_MAX);
    p->interpreterContext = MatchContext(UINT32_MAX);
    p->matchData.reset(pcre2_match_data_create_from_pattern(p->code.get(), nullptr));
    if (!p->matchData)
        throw ELrcError("out of memory creating the PCRE2 match data");
    m_pcre = std::move(p);
}

HexMatcher::~HexMatcher() = default;

bool HexMatcher::UsesJit() const
{
    return m_pcre->jit;
}

HexMatcher::TVerdict HexMatcher::Match(std::string_view utf8, bool knownValidUtf8)
{
    const auto subject = reinterpret_cast<PCRE2_SPTR>(utf8.empty() ? "" : utf8.data());
    std::uint32_t options = PCRE2_NOTEMPTY;
    if (knownValidUtf8)
        options |= PCRE2_NO_UTF_CHECK;

    const auto isUtfError = [](int rc) {
        return rc <= PCRE2_ERROR_UTF8_ERR1 && rc >= PCRE2_ERROR_UTF8_ERR21;
    };
    int rc = pcre2_match(m_pcre->code.get(), subject, utf8.size(), 0, options,
                         m_pcre->matchData.get(), m_pcre->jitContext.get());
    if (rc < 0 && rc != PCRE2_ERROR_NOMATCH && !isUtfError(rc) && m_pcre->jit) {
        // A JIT resource error (its stack, its limit) decides nothing: ask the interpreter.
        rc = pcre2_match(m_pcre->code.get(), subject, utf8.size(), 0, options | PCRE2_NO_JIT,
                         m_pcre->matchData.get(), m_pcre->interpreterContext.get());
    }
    if (rc >= 0)
        return TVerdict::Match;
    if (rc == PCRE2_ERROR_NOMATCH)
        return TVerdict::NoMatch;
    if (isUtfError(rc))
        return TVerdict::BadUtf8;
    throw ELrcError("the data-text matcher failed: " + PcreMessage(rc));
}
