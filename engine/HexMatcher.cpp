#include "engine/HexMatcher.h"

#include "engine/LrcError.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <cstdint>
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

struct HexMatcher::TPcre
{
    pcre2_compile_context* compileContext = nullptr;
    pcre2_code* code = nullptr;
    pcre2_match_context* matchContext = nullptr;
    pcre2_match_data* matchData = nullptr;
    bool jit = false;
    std::uint32_t jitMatchLimit = UINT32_MAX;

    ~TPcre()
    {
        pcre2_match_data_free(matchData);
        pcre2_match_context_free(matchContext);
        pcre2_code_free(code);
        pcre2_compile_context_free(compileContext);
    }
};

HexMatcher::HexMatcher(std::uint32_t jitMatchLimit) : m_pcre(new TPcre)
{
    try {
        TPcre& p = *m_pcre;
        p.jitMatchLimit = jitMatchLimit;
        p.compileContext = pcre2_compile_context_create(nullptr);
        if (!p.compileContext)
            throw ELrcError("out of memory creating the PCRE2 compile context");
        // In PCRE2 the newline convention is a context setting, not an option bit.
        pcre2_set_newline(p.compileContext, PCRE2_NEWLINE_ANY);

        int error = 0;
        PCRE2_SIZE errorOffset = 0;
        p.code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(Pattern.data()), Pattern.size(),
                               PCRE2_UTF, &error, &errorOffset, p.compileContext);
        if (!p.code)
            throw ELrcError("cannot compile the data-text pattern: " + PcreMessage(error));

        // Without JIT (unsupported CPU, no executable memory) the interpreter gives the same
        // verdicts, only slower.
        p.jit = pcre2_jit_compile(p.code, PCRE2_JIT_COMPLETE) == 0;

        p.matchContext = pcre2_match_context_create(nullptr);
        p.matchData = pcre2_match_data_create_from_pattern(p.code, nullptr);
        if (!p.matchContext || !p.matchData)
            throw ELrcError("out of memory creating the PCRE2 match data");
    } catch (...) {
        delete m_pcre;
        throw;
    }
}

HexMatcher::~HexMatcher()
{
    delete m_pcre;
}

bool HexMatcher::UsesJit() const
{
    return m_pcre->jit;
}

HexMatcher::TVerdict HexMatcher::Match(std::string_view utf8, bool knownValidUtf8) const
{
    const auto subject = reinterpret_cast<PCRE2_SPTR>(utf8.empty() ? "" : utf8.data());
    std::uint32_t options = PCRE2_NOTEMPTY;
    if (knownValidUtf8)
        options |= PCRE2_NO_UTF_CHECK;

    const auto isUtfError = [](int rc) {
        return rc <= PCRE2_ERROR_UTF8_ERR1 && rc >= PCRE2_ERROR_UTF8_ERR21;
    };
    // The possessive group costs about one unit of the match limit per byte; the default
    // (ten million) would refuse texts of some 30 MB.
    pcre2_set_match_limit(m_pcre->matchContext, m_pcre->jit ? m_pcre->jitMatchLimit : UINT32_MAX);
    int rc = pcre2_match(m_pcre->code, subject, utf8.size(), 0, options, m_pcre->matchData,
                         m_pcre->matchContext);
    if (rc < 0 && rc != PCRE2_ERROR_NOMATCH && !isUtfError(rc) && m_pcre->jit) {
        // A JIT resource error (its stack, its limit) decides nothing: ask the interpreter.
        pcre2_set_match_limit(m_pcre->matchContext, UINT32_MAX);
        rc = pcre2_match(m_pcre->code, subject, utf8.size(), 0, options | PCRE2_NO_JIT,
                         m_pcre->matchData, m_pcre->matchContext);
    }
    if (rc >= 0)
        return TVerdict::Match;
    if (rc == PCRE2_ERROR_NOMATCH)
        return TVerdict::NoMatch;
    if (isUtfError(rc))
        return TVerdict::BadUtf8;
    throw ELrcError("the data-text matcher failed: " + PcreMessage(rc));
}
