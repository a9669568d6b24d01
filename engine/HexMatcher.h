#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

// One compiled form of the data-text pattern, owned by one calculation.
//
// The compiled pattern repeats the byte group possessively: its verdicts equal those of
// HexDataPattern (once a byte group and its separator have matched, giving them back can never
// let the rest match), but the matcher keeps no backtracking state per repetition, so memory
// stays constant and a text of any length gets its verdict.
class HexMatcher
{
public:
    enum class TVerdict
    {
        Match,
        NoMatch,
        BadUtf8
    };

    static constexpr std::string_view Pattern =
        R"(^(?:[0-9a-fA-F]{2}[\t\n\f\r ])*+(?:[0-9a-fA-F]{2})?$)";

    // jitMatchLimit bounds only the JIT's attempt; a lower one lets a test see the interpreter
    // take over from a JIT that ran out of resources.
    explicit HexMatcher(std::uint32_t jitMatchLimit = UINT32_MAX);
    ~HexMatcher();
    HexMatcher(const HexMatcher&) = delete;
    HexMatcher& operator=(const HexMatcher&) = delete;

    // Throws ELrcError when the matcher fails rather than decides. Not const: each match works
    // in the matcher's one match block (kept, since a log's every line is matched), so a matcher
    // serves one thread at a time.
    TVerdict Match(std::string_view utf8, bool knownValidUtf8);

    // Whether the JIT compiled the pattern (else the interpreter does all the matching).
    bool UsesJit() const;

private:
    struct TPcre;
    std::unique_ptr<TPcre> m_pcre;
};
