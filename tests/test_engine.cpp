// The checksum engine's tables. The same program runs on Linux and, cross-built, on Windows
// (32- and 64-bit, under Wine), so both platforms answer every row.
#include "engine/Frame.h"
#include "engine/HexDigits.h"
#include "engine/HexMatcher.h"
#include "engine/Lrc.h"
#include "engine/PackedLines.h"
#include "engine/PairCheck.h"
#include "engine/Render.h"
#include "engine/Utf8.h"
#include "model/FrameModel.h"
#include "model/LrcModel.h"
#include "tests/support/SharedRows.h"
#include "tests/support/TestRows.h"

#include <gtest/gtest.h>

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

using namespace std::string_literals;
using namespace std::string_view_literals;

namespace {

using ::PrintTo; // failing rows show their names (found with the rows, by argument)

// Shows a text as its UTF-8 bytes, escaped, for a failure message.
std::string Shown(std::string_view bytes)
{
    std::string shown;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F) {
            shown += c;
        } else {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            shown += hex;
        }
    }
    return shown;
}

std::string Shown(std::u16string_view text)
{
    std::string shown;
    for (const char16_t c : text) {
        if (c >= 0x20 && c < 0x7F) {
            shown += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\u%04X", static_cast<unsigned>(c));
            shown += hex;
        }
    }
    return shown;
}

std::string Utf8Bytes(std::u16string_view text)
{
    return ToUtf8(text);
}

// A deterministic generator whose draws are the same with every standard library.
class TRandom
{
public:
    explicit TRandom(std::uint32_t seed) : m_engine(seed) {}
    std::uint32_t Below(std::uint32_t bound) { return m_engine() % bound; }

private:
    std::mt19937 m_engine;
};

// A random text over characters that decide borderline cases, hex digits weighted up so that
// valid texts are common.
std::u16string RandomText(TRandom& random)
{
    static constexpr char16_t Alphabet[] = {
        u'0',   u'1',   u'9', u'a',  u'f',  u'A',  u'F',  u'7',
        u'E',   u'c',                                            // digits, both cases
        u' ',   u' ',   u' ', u'\t', u'\n', u'\r', u'\v', u'\f', // separators and near misses
        u'g',   u'G',   u'x', u'-',  u'\0', 0x85,  0xA0,  0x2028,
        0x2029, 0x3000, // other whitespace
        0xFF10, 0xFF21, // full-width 0 and A
        0xD800, 0xDC00, // lone surrogates
    };
    static constexpr char16_t Digits[] = u"0123456789ABCDEF";
    const std::uint32_t length = random.Below(12);
    std::u16string text;
    for (std::uint32_t i = 0; i < length; ++i) {
        if (random.Below(3) == 0) { // a well-formed pair, so that long valid texts occur
            const std::uint32_t byte = random.Below(256);
            text += {Digits[byte >> 4], Digits[byte & 0xF], u' '};
            continue;
        }
        text += Alphabet[random.Below(std::size(Alphabet))];
    }
    return text;
}

// The units this processor can check spaced text with; the scalar one everywhere.
std::vector<TPairCheckUnit> AvailableUnits()
{
    std::vector<TPairCheckUnit> units;
    for (const auto unit : {TPairCheckUnit::Scalar, TPairCheckUnit::Sse2, TPairCheckUnit::Avx2})
        if (HasPairCheckUnit(unit))
            units.push_back(unit);
    return units;
}

const char* UnitName(TPairCheckUnit unit)
{
    return unit == TPairCheckUnit::Scalar ? "scalar"
           : unit == TPairCheckUnit::Sse2 ? "SSE2"
                                          : "AVX2";
}

// Calls check(text) with every text of up to maxLength pieces of the alphabet, shortest first,
// until a fatal failure; gives how many texts it made.
template <typename Piece, typename Check>
std::size_t ForEachText(const std::vector<Piece>& alphabet, std::size_t maxLength, Check check)
{
    std::size_t texts = 0;
    for (std::size_t length = 0; length <= maxLength; ++length) {
        std::vector<std::size_t> at(length, 0);
        for (;;) {
            std::string text;
            for (const std::size_t i : at)
                text += alphabet[i];
            check(text);
            if (testing::Test::HasFatalFailure())
                return texts;
            ++texts;
            std::size_t k = length;
            while (k > 0 && ++at[k - 1] == alphabet.size())
                at[--k] = 0;
            if (k == 0)
                break;
        }
    }
    return texts;
}

// The tool's check holds to PCRE2 on one text, with every unit: the verdict, count, LRC and
// last byte, and for a refused text a clean run from which the diagnosis finds the same flaw.
void ExpectCheckedAsThePatternDoes(HexMatcher& matcher, std::string_view utf8)
{
    const TLrcResult expected = CalculateLrcUtf8(matcher, utf8);
    const std::optional<TFlaw> flaw = DiagnoseSpaced(utf8);
    for (const TPairCheckUnit unit : AvailableUnits()) {
        const TPairCheck check = CheckSpaced(utf8, unit);
        ASSERT_EQ(check.Result.Valid, expected.Valid) << UnitName(unit) << ": " << Shown(utf8);
        if (expected.Valid) {
            ASSERT_EQ(check.Result.ByteCount, expected.ByteCount) << UnitName(unit);
            ASSERT_EQ(check.Result.Lrc, expected.Lrc) << UnitName(unit);
            std::size_t end = utf8.size();
            while (HexDigitValue(utf8[end - 1]) < 0)
                --end;
            ASSERT_EQ(check.LastByte,
                      HexDigitValue(utf8[end - 2]) * 16 + HexDigitValue(utf8[end - 1]));
        } else {
            ASSERT_EQ(check.Clean % 3, 0u);
            const std::optional<TFlaw> resumed = DiagnoseSpaced(utf8, check.Clean);
            ASSERT_TRUE(flaw && resumed) << UnitName(unit) << ": " << Shown(utf8);
            ASSERT_EQ(resumed->Byte, flaw->Byte) << UnitName(unit) << ": " << Shown(utf8);
            ASSERT_EQ(resumed->Kind, flaw->Kind) << UnitName(unit) << ": " << Shown(utf8);
        }
    }
}

// --- CalculateLrc: verdict, count and LRC of short texts (tests/data/rows.json) ----------------

class CalculateLrcTable : public testing::TestWithParam<TVerdictRow>
{
};

TEST_P(CalculateLrcTable, GivesTheVerdictCountAndLrcOfTheTextAndOfItsUtf8)
{
    const TVerdictRow& row = GetParam();
    const TLrcResult result = CalculateLrc(row.text);
    ASSERT_EQ(result.Valid, row.valid);
    if (row.valid) {
        EXPECT_EQ(result.ByteCount, row.byteCount);
        EXPECT_EQ(result.Lrc, row.lrc);
    }
    // The same text arriving as UTF-8 that nobody checked gets the same answer.
    const TLrcResult fromUtf8 = CalculateLrcUtf8(Utf8Bytes(row.text));
    EXPECT_EQ(fromUtf8.Valid, result.Valid);
    EXPECT_EQ(fromUtf8.ByteCount, result.ByteCount);
    EXPECT_EQ(fromUtf8.Lrc, result.Lrc);
    // The diagnosis finds a flaw exactly where the verdict is "malformed".
    EXPECT_EQ(DiagnoseSpaced(Utf8Bytes(row.text)).has_value(), !row.valid);
    // The tool's check gives the same answer without the matcher, with every unit.
    for (const TPairCheckUnit unit : AvailableUnits()) {
        const TLrcResult checked = CheckSpaced(Utf8Bytes(row.text), unit).Result;
        EXPECT_EQ(checked.Valid, result.Valid) << UnitName(unit);
        EXPECT_EQ(checked.ByteCount, result.ByteCount) << UnitName(unit);
        EXPECT_EQ(checked.Lrc, result.Lrc) << UnitName(unit);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, CalculateLrcTable, testing::ValuesIn(VerdictRows()),
                         RowName<TVerdictRow>);

// --- CalculateLrcUtf8: bytes that are not UTF-8 -----------------------------------------------

struct TUtf8Row
{
    std::string name;
    std::string bytes;
    bool valid;
};

std::vector<TUtf8Row> Utf8Rows()
{
    return {
        {"Latin1ByteAfterAPair", "01 \xff", false},
        {"TruncatedTwoByteSequence", "01\xc2", false},
        {"OverlongBlankAsSeparator",
         "01\xc0\xa0"
         "02",
         false},
        {"OverlongLineFeedAsClosingNewline", "A0\xc0\x8a", false},
        {"ThreeByteOverlongLineFeedAsClosingNewline", "A0\xe0\x80\x8a", false},
        {"OverlongTabAsSeparator",
         "A0\xc0\x89"
         "01",
         false},
        {"StrayContinuationByteAsSeparator",
         "A0\x80"
         "01",
         false},
        {"EncodedSurrogate", "01\xed\xa0\x80", false},
        {"EncodedSurrogateAsClosingNewline", "A0 \xed\xb0\x80", false},
        {"TruncatedLineSeparator", "01\xe2\x80", false},
        {"BeyondTheLastCodePoint", "A0\xf4\x90\x80\x80", false},
        {"FiveByteForm", "A0\xf8\x88\x80\x80\x80", false},
        {"WellFormedLineSeparator", "01\xe2\x80\xa8", true},
        {"WellFormedNextLine", "01\xc2\x85", true},
    };
}

class CalculateLrcUtf8Table : public testing::TestWithParam<TUtf8Row>
{
};

TEST_P(CalculateLrcUtf8Table, TakesMalformedUtf8AsMalformedText)
{
    const TUtf8Row& row = GetParam();
    EXPECT_EQ(CalculateLrcUtf8(row.bytes).Valid, row.valid);
    EXPECT_EQ(ModelLrcUtf8(row.bytes).Valid, row.valid) << "the model disagrees with the row";
    EXPECT_EQ(DiagnoseSpaced(row.bytes).has_value(), !row.valid);
}

INSTANTIATE_TEST_SUITE_P(Rows, CalculateLrcUtf8Table, testing::ValuesIn(Utf8Rows()),
                         RowName<TUtf8Row>);

// --- ToUtf8: the window's UTF-16 as the matcher's UTF-8 ---------------------------------------

struct TEncodeRow
{
    std::string name;
    std::u16string text;
    std::string utf8;
    std::optional<std::u16string> decoded = std::nullopt; // ToUtf16(utf8) where not the text
};

std::vector<TEncodeRow> EncodeRows()
{
    return {
        {"Ascii", u"01 A0", "01 A0"},
        {"Empty", u"", ""},
        {"Nul", u"0\0"s, "0\0"s},
        {"TwoByteForms", u"\u0080\u0085\u07FF", "\xc2\x80\xc2\x85\xdf\xbf"},
        {"ThreeByteForms", u"\u0800\u2028\u3000\uFFFF",
         "\xe0\xa0\x80\xe2\x80\xa8\xe3\x80\x80\xef\xbf\xbf"},
        {"SurrogatePair", u"\U0001F600\U0010FFFF", "\xf0\x9f\x98\x80\xf4\x8f\xbf\xbf"},
        {"LoneHighSurrogateAtTheEnd", u"A\xD800", "A\xef\xbf\xbd", u"A\uFFFD"},
        {"LoneHighSurrogateBeforeAPair",
         u"\xD800"
         u"01",
         "\xef\xbf\xbd"
         "01",
         u"\uFFFD01"},
        {"LoneLowSurrogate", u"\xDC00", "\xef\xbf\xbd", u"\uFFFD"},
        {"TwoHighSurrogates", u"\xD800\xD800", "\xef\xbf\xbd\xef\xbf\xbd", u"\uFFFD\uFFFD"},
        {"SurrogatesInReverseOrder", u"\xDC00\xD800", "\xef\xbf\xbd\xef\xbf\xbd", u"\uFFFD\uFFFD"},
        // Long enough for the ASCII run to be copied a block of eight at a time.
        {"TwoWholeAsciiBlocks", u"01 A0 7C FF 02 A", "01 A0 7C FF 02 A"},
        {"AsciiBlocksThenAnIdeographicSpace", u"01 A0 7C FF 02 \u3000",
         "01 A0 7C FF 02 \xe3\x80\x80"},
        {"TwoByteFormInsideTheFirstBlock", u"0123\u00E95678AB",
         "0123\xc3\xa9"
         "5678AB"},
        {"LoneSurrogateAfterABlock",
         u"01234567\xD800"
         u"89",
         "01234567\xef\xbf\xbd"
         "89",
         u"01234567\uFFFD89"},
        {"AsciiAfterNonAscii",
         u"\u0085"
         u"0123456789",
         "\xc2\x85"
         "0123456789"},
    };
}

class ToUtf8Table : public testing::TestWithParam<TEncodeRow>
{
};

TEST_P(ToUtf8Table, EncodesEveryCodePointAndReplacesLoneSurrogates)
{
    const TEncodeRow& row = GetParam();
    EXPECT_EQ(Shown(ToUtf8(row.text)), Shown(row.utf8));
    // And back, where a lone surrogate came out as U+FFFD.
    EXPECT_EQ(Shown(ToUtf16(row.utf8)), Shown(row.decoded.value_or(row.text)));
}

TEST(ToUtf16, ReplacesEachByteThatStartsNoCharacter)
{
    EXPECT_EQ(Shown(ToUtf16("0\xFF"
                            "1")),
              Shown(u"0\uFFFD1"));
    EXPECT_EQ(Shown(ToUtf16("\xE2\x80")), Shown(u"\uFFFD\uFFFD")); // a cut three-byte form
    EXPECT_EQ(Shown(ToUtf16("\xED\xA0\x80")), Shown(u"\uFFFD\uFFFD\uFFFD")); // a surrogate
}

INSTANTIATE_TEST_SUITE_P(Rows, ToUtf8Table, testing::ValuesIn(EncodeRows()), RowName<TEncodeRow>);

// --- The tool's check against the pattern ---------------------------------------------------

TEST(CheckSpaced, AgreesWithThePatternOnEveryTextOfUpToSixCharacters)
{
    // Digits of both cases, a letter just past the hex range, every separator and line break,
    // the multi-byte line breaks and a letter outside ASCII.
    const std::vector<std::string> alphabet = {
        "0",       "f", "F", "g", " ", "\t", "\n", "\v", "\f", "\r", "\xC2\x85", "\xE2\x80\xA8",
        "\xC3\xA9"};
    HexMatcher matcher;
    const std::size_t texts = ForEachText(alphabet, 6, [&](const std::string& text) {
        ExpectCheckedAsThePatternDoes(matcher, text);
    });
    EXPECT_EQ(texts, 5229043u); // 13^0 + 13^1 + ... + 13^6
}

TEST(CheckSpaced, AgreesWithThePatternAtEveryEdgeOfAVectorBlock)
{
    // Texts that end anywhere in and around the 48- and 96-byte blocks, starting at every
    // alignment the vector loads see, whole and with one wrong character at each place.
    TRandom random(3421);
    HexMatcher matcher;
    alignas(64) std::array<char, 400> buffer{};
    static constexpr char Separators[] = " \t\n\f\r";
    static constexpr char Digits[] = "0123456789abcdefABCDEF";
    for (std::size_t length = 1; length <= 300; ++length) {
        std::string text;
        for (std::size_t i = 0; i < length; ++i)
            text += i % 3 == 2 ? Separators[random.Below(5)] : Digits[random.Below(22)];
        const bool edge = length % 48 <= 1 || length % 48 == 47;
        for (const std::size_t offset : {0, 1, 17, 31}) {
            for (const std::string_view end : {"", "\r\n", "\xE2\x80\xA9"}) {
                const std::string whole = text + std::string(end);
                std::copy(whole.begin(), whole.end(), buffer.begin() + offset);
                const std::string_view placed(buffer.data() + offset, whole.size());
                ExpectCheckedAsThePatternDoes(matcher, placed);
                for (std::size_t wrong = 0; edge && wrong < length; ++wrong) {
                    for (const char c : {'g', '\v', ' ', '\xC3'}) {
                        const char kept = buffer[offset + wrong];
                        buffer[offset + wrong] = c;
                        ExpectCheckedAsThePatternDoes(matcher, placed);
                        buffer[offset + wrong] = kept;
                    }
                }
                if (testing::Test::HasFatalFailure())
                    return;
            }
        }
    }
}

TEST(CheckPacked, AgreesWithAPlainReadingAtEveryEdgeOfAVector)
{
    // Packed pairs of every length up to 80 bytes, at every alignment the vector loads see,
    // whole and with one wrong character at each place, against the pairs read one by one.
    TRandom random(1103);
    alignas(64) std::array<char, 128> buffer{};
    static constexpr char Digits[] = "0123456789abcdefABCDEF";
    for (std::size_t length = 0; length <= 80; ++length) {
        std::string text;
        for (std::size_t i = 0; i < length; ++i)
            text += Digits[random.Below(22)];
        for (const std::size_t offset : {0, 1, 15, 31}) {
            for (std::size_t wrong = 0; wrong <= length; ++wrong) { // == length: none wrong
                std::string placedText = text;
                if (wrong < length)
                    placedText[wrong] = wrong % 2 ? 'g' : ' ';
                std::copy(placedText.begin(), placedText.end(), buffer.begin() + offset);
                const std::string_view placed(buffer.data() + offset, length);
                const bool valid = length > 0 && length % 2 == 0 && wrong == length;
                unsigned sum = 0;
                for (std::size_t i = 0; valid && i < length; i += 2)
                    sum += static_cast<unsigned>(std::stoi(text.substr(i, 2), nullptr, 16));
                for (const TPairCheckUnit unit : AvailableUnits()) {
                    const TPairCheck check = CheckPacked(placed, unit);
                    ASSERT_EQ(check.Result.Valid, valid) << UnitName(unit) << ": " << placedText;
                    if (valid) {
                        ASSERT_EQ(check.Result.ByteCount, static_cast<int>(length / 2));
                        ASSERT_EQ(check.Result.Lrc, static_cast<int>((256 - sum % 256) % 256))
                            << UnitName(unit) << ": " << placedText;
                        ASSERT_EQ(check.LastByte, std::stoi(text.substr(length - 2), nullptr, 16));
                    } else {
                        ASSERT_LE(check.Clean, wrong) << UnitName(unit) << ": " << placedText;
                        ASSERT_EQ(check.Clean % 2, 0u);
                    }
                }
            }
        }
    }
}

// --- Random texts against the written pattern and the independent model -----------------------

TEST(CalculateLrcRandom, DecidesExactlyAsTheWrittenPatternCompiledAsItStands)
{
    // The written pattern backtracks per repetition and so only serves for short texts; on
    // those its verdict must equal the engine's.
    int error = 0;
    PCRE2_SIZE offset = 0;
    std::unique_ptr<pcre2_compile_context, decltype(&pcre2_compile_context_free)> context(
        pcre2_compile_context_create(nullptr), pcre2_compile_context_free);
    pcre2_set_newline(context.get(), PCRE2_NEWLINE_ANY);
    std::unique_ptr<pcre2_code, decltype(&pcre2_code_free)> written(
        pcre2_compile(reinterpret_cast<PCRE2_SPTR>(HexDataPattern.data()), HexDataPattern.size(),
                      PCRE2_UTF, &error, &offset, context.get()),
        pcre2_code_free);
    ASSERT_TRUE(written);
    std::unique_ptr<pcre2_match_data, decltype(&pcre2_match_data_free)> data(
        pcre2_match_data_create_from_pattern(written.get(), nullptr), pcre2_match_data_free);

    // One matcher for every text: compiling the pattern afresh each time is the costly part,
    // under Wine above all, and the UTF-16 entry is held to the model below.
    HexMatcher matcher;
    TRandom random(20160829);
    int valid = 0;
    for (int i = 0; i < 50000; ++i) {
        const std::u16string text = RandomText(random);
        const std::string utf8 = ToUtf8(text);
        const int rc = pcre2_match(written.get(), reinterpret_cast<PCRE2_SPTR>(utf8.data()),
                                   utf8.size(), 0, PCRE2_NOTEMPTY, data.get(), nullptr);
        ASSERT_TRUE(rc >= 0 || rc == PCRE2_ERROR_NOMATCH) << rc;
        const bool expected = rc >= 0;
        valid += expected;
        ASSERT_EQ(CalculateLrcUtf8(matcher, utf8).Valid, expected) << Shown(text);
    }
    // Both verdicts must have been exercised for the comparison to mean anything.
    EXPECT_GT(valid, 2000);
    EXPECT_LT(valid, 48000);
}

TEST(CalculateLrcRandom, AgreesWithTheIndependentModelOnUtf16AndUtf8)
{
    HexMatcher matcher;
    TRandom random(11100010);
    int valid = 0;
    for (int i = 0; i < 50000; ++i) {
        const std::u16string text = RandomText(random);
        const TLrcResult expected = ModelLrc(text);
        ASSERT_EQ(DiagnoseSpaced(ToUtf8(text)).has_value(), !expected.Valid) << Shown(text);
        for (const TLrcResult actual :
             {CalculateLrc(text), CalculateLrcUtf8(matcher, ToUtf8(text))}) {
            ASSERT_EQ(actual.Valid, expected.Valid) << Shown(text);
            if (expected.Valid) {
                ASSERT_EQ(actual.ByteCount, expected.ByteCount) << Shown(text);
                ASSERT_EQ(actual.Lrc, expected.Lrc) << Shown(text);
            }
        }
        valid += expected.Valid;
    }
    EXPECT_GT(valid, 2000);
}

// --- Frames in every format, and where a malformed one goes wrong ------------------------------

struct TFrameRow
{
    std::string name;
    TFrameFormat format;
    std::string text;
    std::optional<TFlawKind> flaw; // none: well-formed
    std::size_t at = 0;            // the flaw's byte offset, or the frame's byte count
    int lrc = 0;
    int lastByte = -1;
};

std::vector<TFrameRow> FrameRows()
{
    using enum TFrameFormat;
    using enum TFlawKind;
    return {
        {"SpacedExample", Spaced, "11 03 00 6B 00 03 7E", {}, 7, 0, 0x7E},
        {"PackedExample", Packed, "1103006b00037E", {}, 7, 0, 0x7E},
        {"PackedWithCrLf", Packed, "1103006B0003\r\n", {}, 6, 0x7E, 0x03},
        {"ModbusAsciiOnTheWire", ModbusAscii, ":1103006B00037E\r\n", {}, 7, 0, 0x7E},
        {"ModbusAsciiWithLf", ModbusAscii, ":1103006B0003\n", {}, 6, 0x7E, 0x03},
        {"ModbusAsciiWithoutLineEnd", ModbusAscii, ":F7", {}, 1, 0x09, 0xF7},

        {"SpacedEmpty", Spaced, "", NoPairs, 0},
        {"SpacedOnlyANewline", Spaced, "\r\n", NoPairs, 0},
        {"SpacedLeadingBlank", Spaced, " 01", LeadingSeparator, 0},
        {"SpacedDoubledBlank", Spaced, "01 02  03", DoubleSeparator, 6},
        {"SpacedCrLfBetweenPairs", Spaced, "01\r\n02", DoubleSeparator, 3},
        {"SpacedOneDigit", Spaced, "01 2", SingleDigit, 3},
        {"SpacedOneDigitThenBlank", Spaced, "01 2 03", SingleDigit, 3},
        {"SpacedOneDigitThenTheClosingNewline", Spaced, "01 2\u2028", SingleDigit, 3},
        {"SpacedThreeDigits", Spaced, "001", MissingSeparator, 2},
        {"SpacedLetterG", Spaced, "01 0G", NotHexDigit, 4},
        {"SpacedIdeographicSpace", Spaced,
         "01\u3000"
         "02",
         NotHexDigit, 2},
        {"SpacedTextAfterALineSeparator", Spaced,
         "01\u2028"
         "02",
         AfterLineEnd, 5},
        {"SpacedTextAfterAVerticalTab", Spaced, "01 \v02", AfterLineEnd, 4},
        {"SpacedTwoTrailingBlanks", Spaced, "01 02  ", DoubleSeparator, 6},
        {"SpacedBadUtf8", Spaced, "01 02\xC0\xA0", BadUtf8, 5},
        {"SpacedTruncatedLineSeparator", Spaced, "01\xE2\x80", BadUtf8, 2},
        {"SpacedByteOrderMark", Spaced,
         "\xEF\xBB\xBF"
         "01",
         ByteOrderMark, 0},
        {"SpacedUtf16WithMark", Spaced,
         "\xFF\xFE"
         "0\0"
         "1\0"s,
         Utf16, 0},
        {"SpacedUtf16WithoutMark", Spaced,
         "0\0"
         "1\0"s,
         Utf16, 0},
        {"SpacedUtf16BigEndianWithoutMark", Spaced,
         "\0"
         "0\0"
         "1"s,
         Utf16, 0},
        {"PackedBlankBetweenPairs", Packed, "11 03", NotHexDigit, 2},
        {"PackedOddDigits", Packed, "11030", SingleDigit, 4},
        {"PackedOddDigitsBeforeCrLf", Packed, "110\r\n", SingleDigit, 2},
        {"PackedTextAfterTheLineEnd", Packed, "11\r\n03", AfterLineEnd, 4},
        {"PackedNothing", Packed, "\n", NoPairs, 0},
        {"PackedLoneCrAtTheEnd", Packed, "0A\r", NotHexDigit, 2},
        // Packed text ends with LF or CR LF alone: a lone CR or a vertical tab is out of place.
        {"PackedLoneCrBeforeALastCharacter", Packed, "1103\rX", NotHexDigit, 4},
        {"PackedVerticalTabBetweenPairs", Packed, "11\v03", NotHexDigit, 2},
        {"ModbusAsciiFormFeedBeforeItsLastPair", ModbusAscii, ":11\f7E", NotHexDigit, 3},
        {"ModbusAsciiWithoutColon", ModbusAscii, "1103006B00037E\r\n", MissingColon, 0},
        {"ModbusAsciiOnlyAColon", ModbusAscii, ":\r\n", NoPairs, 1},
        {"ModbusAsciiOddDigits", ModbusAscii, ":11030\r\n", SingleDigit, 5},
        {"ModbusAsciiLowercaseX", ModbusAscii, ":1x\r\n", NotHexDigit, 2},
        {"ModbusAsciiLoneCrAtTheEnd", ModbusAscii, ":01FF\r", NotHexDigit, 5},
        {"ModbusAsciiTwoLineEnds", ModbusAscii, ":1103\r\n\r\n", AfterLineEnd, 7},
        {"CArrayExample", CArray, "0x11, 0x03, 0x00, 0x6B, 0x00, 0x03, 0x7E", {}, 7, 0, 0x7E},
        {"CArrayInBracesTrailingComma", CArray, "{ 0x11,0X03, }\r\n", {}, 2, 0xEC, 0x03},
        {"CArrayInSquareBrackets", CArray, "[0xff]", {}, 1, 0x01, 0xFF},
        {"CArrayBlankBeforeComma", CArray, "0x11 ,0x03", Misplaced, 4},
        {"CArrayWithoutPrefix", CArray, "0x11, 03", MissingPrefix, 6},
        {"CArrayOneDigit", CArray, "0x1, 0x03", SingleDigit, 2},
        {"CArrayOneDigitBeforeTheBracket", CArray, "{0x1}", SingleDigit, 3},
        {"CArrayThreeDigits", CArray, "0x113", MissingSeparator, 4},
        {"CArrayBareX", CArray, "0x11, 0x", MissingDigits, 6},
        {"CArrayLetterG", CArray, "0x1G", NotHexDigit, 3},
        {"CArrayUnclosed", CArray, "{0x11", Unclosed, 5},
        {"CArrayUnclosedAfterComma", CArray, "[0x11,\n", Unclosed, 6},
        {"CArrayMismatchedBracket", CArray, "{0x11]", Misplaced, 5},
        {"CArrayCloseWithoutOpen", CArray, "0x11}", Misplaced, 4},
        {"CArrayEmptyBraces", CArray, "{}", NoPairs, 1},
        {"CArrayDoubleComma", CArray, "0x11,,0x03", DoubleSeparator, 5},
        {"CArrayLeadingComma", CArray, "{,0x11}", LeadingSeparator, 1},
        {"CArrayTrailingBlankWithoutBrackets", CArray, "0x11, ", Misplaced, 5},
        {"CArrayTextAfterTheBracket", CArray, "{0x11};", Misplaced, 6},
        {"CArrayLoneCrAtTheEnd", CArray, "0x11\r", Misplaced, 4},
        {"CArrayLeadingBlank", CArray, " 0x11", Misplaced, 0},
        {"CArrayNulAfterAByte", CArray, "0x11\0 0x03"s, Misplaced, 4},
        {"ColonExample", Colon, "11:03:00:6b:00:03:7E\n", {}, 7, 0, 0x7E},
        {"ColonOnePair", Colon, "A0\r\n", {}, 1, 0x60, 0xA0},
        {"ColonTrailingColon", Colon, "11:03:", TrailingSeparator, 5},
        {"ColonLeadingColon", Colon, ":11", LeadingSeparator, 0},
        {"ColonDoubleColon", Colon, "11::03", DoubleSeparator, 3},
        {"ColonOneDigit", Colon, "11:3:04", SingleDigit, 3},
        {"ColonThreeDigits", Colon, "11:030", MissingSeparator, 5},
        {"ColonBlankAfterColon", Colon, "11: 03", NotHexDigit, 3},
        {"ColonDashBetween", Colon, "11-03", NotHexDigit, 2},
        {"ColonTwoLineEnds", Colon, "11\r\n\r\n", AfterLineEnd, 4},
        {"ColonNothing", Colon, "", NoPairs, 0},
    };
}

class FrameTable : public testing::TestWithParam<TFrameRow>
{
};

TEST_P(FrameTable, ReadsTheFrameOrNamesItsFirstFlaw)
{
    const TFrameRow& row = GetParam();
    const TFrame frame = TFrameReader().Read(row.text, row.format);
    ASSERT_EQ(frame.Flaw.has_value(), row.flaw.has_value());
    if (row.flaw) {
        EXPECT_EQ(frame.Flaw->Kind, *row.flaw);
        EXPECT_EQ(frame.Flaw->Byte, row.at);
        EXPECT_FALSE(frame.Result.Valid);
    } else {
        ASSERT_TRUE(frame.Result.Valid);
        EXPECT_EQ(frame.Result.ByteCount, static_cast<int>(row.at));
        EXPECT_EQ(frame.Result.Lrc, row.lrc);
        EXPECT_EQ(frame.LastByte, row.lastByte);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, FrameTable, testing::ValuesIn(FrameRows()), RowName<TFrameRow>);

TEST(FrameReader, AgreesWithTheModelOfEachFormatOnEveryTextOfUpToFiveCharacters)
{
    // The characters every format is made of, a letter past the hex range, and the line ends.
    const std::vector<char> alphabet = {'0', 'x', 'F', 'g', ',',  ' ', ':',
                                        '{', '}', '[', ']', '\r', '\n'};
    TFrameReader reader;
    const std::size_t texts = ForEachText(alphabet, 5, [&](const std::string& text) {
        for (const TFrameFormat format : {TFrameFormat::Packed, TFrameFormat::ModbusAscii,
                                          TFrameFormat::CArray, TFrameFormat::Colon}) {
            std::vector<std::uint8_t> bytes;
            const TFrame frame = reader.Read(text, format, &bytes);
            const auto modelled = ModelFrameBytes(text, format);
            ASSERT_EQ(frame.Result.Valid, modelled.has_value()) << Shown(text);
            ASSERT_EQ(frame.Flaw.has_value(), !modelled) << Shown(text);
            if (!modelled) {
                ASSERT_TRUE(bytes.empty()) << Shown(text);
                continue;
            }
            ASSERT_EQ(bytes, *modelled) << Shown(text);
            unsigned sum = 0;
            for (const std::uint8_t byte : bytes)
                sum += byte;
            ASSERT_EQ(frame.Result.ByteCount, static_cast<int>(bytes.size()));
            ASSERT_EQ((sum + static_cast<unsigned>(frame.Result.Lrc)) % 256, 0u);
            ASSERT_EQ(frame.LastByte, bytes.back());
        }
    });
    EXPECT_EQ(texts, 402234u); // 13^0 + 13^1 + ... + 13^5
}

// A run of lines cut at LF, CR LF or CR, as the tool's --lines reads a log: each line's offset
// and length.
std::vector<std::pair<std::size_t, std::size_t>> SplitRun(std::string_view run)
{
    std::vector<std::pair<std::size_t, std::size_t>> lines;
    std::size_t begin = 0;
    for (std::size_t at = 0; at < run.size(); ++at) {
        if (run[at] != '\r' && run[at] != '\n')
            continue;
        lines.emplace_back(begin, at - begin);
        if (run[at] == '\r' && at + 1 < run.size() && run[at + 1] == '\n')
            ++at;
        begin = at + 1;
    }
    return lines;
}

// Every line of the run, checked a run at a time by every unit, is what the model makes of it.
void ExpectLinesAsTheModelReadsThem(std::string_view run)
{
    const auto lines = SplitRun(run);
    for (const bool colon : {false, true}) {
        const TFrameFormat format = colon ? TFrameFormat::ModbusAscii : TFrameFormat::Packed;
        for (const TPairCheckUnit unit : AvailableUnits()) {
            TPackedLines packedLines(colon, unit);
            const std::vector<TLineCheck>& checks = packedLines.Check(run);
            ASSERT_EQ(checks.size(), lines.size()) << UnitName(unit) << Shown(std::string(run));
            for (std::size_t k = 0; k < lines.size(); ++k) {
                const auto [begin, length] = lines[k];
                const std::string line(run.substr(begin, length));
                const auto bytes = ModelFrameBytes(line, format);
                const TLineCheck& check = checks[k];
                const auto where = [&] {
                    return std::string(UnitName(unit)) + (colon ? " Modbus" : " packed") +
                           ", line " + std::to_string(k + 1) + " " + Shown(line) + " of " +
                           Shown(std::string(run));
                };
                ASSERT_EQ(check.Begin, begin) << where();
                ASSERT_EQ(check.End, begin + length) << where();
                ASSERT_EQ(check.WellFormed, bytes.has_value()) << where();
                if (!bytes)
                    continue;
                unsigned sum = 0;
                for (const std::uint8_t byte : *bytes)
                    sum += byte;
                ASSERT_EQ(unsigned{check.Sum}, sum % 256) << where();
                ASSERT_EQ(check.ByteCount, bytes->size()) << where();
            }
        }
    }
}

TEST(PackedLines, ReadsEveryLineAsTheModelDoesInEveryRunOfUpToSixCharacters)
{
    // Digits, a letter past the hex range, a blank, the colon and the line ends.
    const std::vector<char> alphabet = {'0', 'F', 'g', ' ', ':', '\r', '\n'};
    const std::size_t texts = ForEachText(alphabet, 6, [&](const std::string& text) {
        // A run is whole lines: the last one closed.
        ExpectLinesAsTheModelReadsThem(text.ends_with('\r') || text.ends_with('\n') ? text
                                                                                    : text + "\n");
    });
    EXPECT_EQ(texts, 137257u); // 7^0 + 7^1 + ... + 7^6
}

TEST(PackedLines, ReadsEveryLineAsTheModelDoesInRandomLogsAcrossEveryWordAndVectorEdge)
{
    // Logs of 0 to 40 lines of 0 to 150 characters, mostly good frames, so that lines start and
    // end at every offset of the 16-, 32- and 64-character blocks, CR LF falls across them, and
    // lines span several; a fault in some lines: a character that is no digit, a colon out of
    // place, a digit missing.
    TRandom random(7300);
    const std::string_view digits = "0123456789ABCDEFabcdef", faults = "G: \t\x80xZ";
    const std::string_view ends[] = {"\n", "\r\n", "\r"};
    for (int round = 0; round < 5000; ++round) {
        std::string run;
        const std::uint32_t lines = random.Below(41);
        for (std::uint32_t line = 0; line < lines; ++line) {
            if (random.Below(2) == 0)
                run += ':';
            const std::uint32_t length =
                random.Below(4) == 0 ? random.Below(151) : random.Below(40);
            for (std::uint32_t i = 0; i < length; ++i)
                run += digits[random.Below(static_cast<std::uint32_t>(digits.size()))];
            if (random.Below(8) == 0 && length > 0) // one of the line's last eight digits
                run[run.size() - random.Below(std::min<std::uint32_t>(length, 8)) - 1] =
                    faults[random.Below(static_cast<std::uint32_t>(faults.size()))];
            run += ends[random.Below(3)];
        }
        ExpectLinesAsTheModelReadsThem(run);
        if (testing::Test::HasFatalFailure())
            return;
    }
}

// --- Long and hostile texts: whatever a clipboard holds ---------------------------------------

// head + block * repeats + tail, with the verdict and, for a valid text, the count and LRC
// worked out by hand.
struct TLongRow
{
    std::string name;
    std::u16string head;
    std::u16string block;
    std::size_t repeats;
    std::u16string tail;
    bool valid;
    int byteCount = 0;
    int lrc = 0;
};

constexpr std::size_t Million = 1'000'000;

std::vector<TLongRow> LongRows()
{
    // 15 characters, 5 bytes that sum to 0x21E; a thousand of them sum to 0x84530.
    const std::u16string example = u"01 A0 7C FF 02 ";
    return {
        // PCRE2 spends about one unit of its match limit per pair, and of its depth limit were
        // the group to keep what it could give back: eleven million pairs are more than either
        // default (ten million) lets pass. They sum to 0x53448740.
        {"ElevenMillionPairs", u"", u"7F ", 11 * Million, u"", true, 11'000'000, 0xC0},
        // Below that limit nothing in the calculation depends on a text's length, so a thousand
        // blocks, whose ASCII the conversion copies eight code units at a time, stand for any
        // number of them.
        {"TheExampleAThousandTimes", u"", example, 1000, u"", true, 5000, 0xD0},
        {"ClosedByALastPair", u"", example, 1000, u"80", true, 5001, 0x50},
        {"TabSeparatedClosedByCrLf", u"", u"7F\t", 1000, u"\r\n", true, 1000, 0xE8},
        {"ClosedByANextLine", u"", example, 1000, u"80\u0085", true, 5001, 0x50},
        {"TabSeparatedClosedByALineSeparator", u"", u"7F\t", 1000, u"\u2028", true, 1000, 0xE8},
        {"ClosedByAParagraphSeparator", u"", example, 1000, u"FF\u2029", true, 5001, 0xD1},
        // Almost right until the very end: the worst case for a backtracking matcher.
        {"OneBadCharacterAtTheEnd", u"", u"A0 ", 1000, u"g", false},
        {"TwoVerticalTabsAtTheEnd", u"", u"A0 ", 1000, u"\v\v", false},
        {"TwoBlanksAtTheEnd", u"", example, 1000, u" ", false},
        {"TextAfterALineSeparator", u"", example, 1000, u"\u202801", false},
        // U+10085: its bits below its plane are those of U+0085, a closing newline.
        {"ASurrogatePairAtTheEnd", u"", example, 1000, u"\U00010085", false},
        {"ALoneHighSurrogateAtTheEnd", u"", example, 1000, u"\xD800", false},
        {"ALoneLowSurrogateFirst", u"\xDC00", example, 1000, u"", false},
        // Letters whose code units end in the byte of a digit or a blank ("İı" in 0x0130 and
        // 0x0131, "Ġ" in 0x0120), each in a whole block of eight code units.
        {"LettersLikeDigitsInTheFirstBlock", u"\u0130\u0131 A0 7C ", example, 1000, u"", false},
        {"ALetterLikeABlankAfterAThousandBlocks", u"", example, 1000, u"01\u0120A0 7C", false},
        {"AMillionBlanksBetweenTwoPairs", u"01", u" ", Million, u"02", false},
        {"AMillionTabsAfterAPair", u"01", u"\t", Million, u"", false},
        {"AMillionLineFeeds", u"", u"\n", Million, u"", false},
        {"AMillionCrLf", u"", u"\r\n", Million, u"", false},
        {"AMillionLineSeparators", u"", u"\u2028", Million, u"", false},
        {"AMillionNuls", u"", u"\0"s, Million, u"", false},
        {"AMillionLoneHighSurrogates", u"", u"\xD800", Million, u"", false},
        {"PairsJoinedByLoneSurrogates", u"01",
         u"\xDC00"
         u"02",
         1000, u"", false},
    };
}

class LongTextTable : public testing::TestWithParam<TLongRow>
{
};

TEST_P(LongTextTable, GivesTheRowsVerdictCountAndLrc)
{
    const TLongRow& row = GetParam();
    std::u16string text = row.head;
    text.reserve(row.head.size() + row.block.size() * row.repeats + row.tail.size());
    for (std::size_t i = 0; i < row.repeats; ++i)
        text += row.block;
    text += row.tail;

    const TLrcResult model = ModelLrc(text);
    ASSERT_EQ(model.Valid, row.valid) << "the model disagrees with the row";
    const TLrcResult result = CalculateLrc(text);
    ASSERT_EQ(result.Valid, row.valid);
    if (row.valid) {
        EXPECT_EQ(model.ByteCount, row.byteCount) << "the model disagrees with the row";
        EXPECT_EQ(model.Lrc, row.lrc) << "the model disagrees with the row";
        EXPECT_EQ(result.ByteCount, row.byteCount);
        EXPECT_EQ(result.Lrc, row.lrc);
    }
    // The UTF-8 entry, where PCRE2 checks the encoding of any text that is not ASCII, agrees.
    const std::string utf8 = ToUtf8(text);
    text = {};
    const TLrcResult fromUtf8 = CalculateLrcUtf8(utf8);
    EXPECT_EQ(fromUtf8.Valid, row.valid);
    if (row.valid) {
        EXPECT_EQ(fromUtf8.ByteCount, row.byteCount);
        EXPECT_EQ(fromUtf8.Lrc, row.lrc);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, LongTextTable, testing::ValuesIn(LongRows()), RowName<TLongRow>);

// --- The matcher when the JIT gives up --------------------------------------------------------

TEST(HexMatcher, LetsTheInterpreterDecideWhenTheJitRunsOutOfResources)
{
    HexMatcher starved(1); // the JIT may take one step of the match limit, no more
    if (!starved.UsesJit())
        GTEST_SKIP() << "PCRE2 has no JIT here; the interpreter decides everything anyway";
    HexMatcher normal;
    std::string long_text;
    for (int i = 0; i < 100000; ++i)
        long_text += "7F ";
    for (const std::string_view text :
         {"01 A0 7C FF 02"sv, "01  02"sv, "0A\r\n"sv, ""sv, std::string_view(long_text)}) {
        EXPECT_EQ(starved.Match(text, true), normal.Match(text, true)) << Shown(text);
        EXPECT_EQ(starved.Match(text, false), normal.Match(text, false)) << Shown(text);
    }
    EXPECT_EQ(starved.Match("01 \xff", false), HexMatcher::TVerdict::BadUtf8);
}

// --- RenderLrc (rows in tests/data/rows.json) and its helpers -----------------------------------

class RenderLrcTable : public testing::TestWithParam<TRenderRow>
{
};

TEST_P(RenderLrcTable, GivesTheFourRadicesAndTheCount)
{
    const TRenderRow& row = GetParam();
    const TLrcTexts texts = RenderLrc({true, row.count, row.lrc});
    EXPECT_EQ(Shown(texts.Hex), Shown(row.hex));
    EXPECT_EQ(Shown(texts.Decimal), Shown(row.decimal));
    EXPECT_EQ(Shown(texts.Octal), Shown(row.octal));
    EXPECT_EQ(Shown(texts.Binary), Shown(row.binary));
    EXPECT_EQ(Shown(texts.ByteCountText), Shown(row.countText));
}

INSTANTIATE_TEST_SUITE_P(Rows, RenderLrcTable, testing::ValuesIn(RenderRows()),
                         RowName<TRenderRow>);

TEST(RenderLrc, RefusesAnInvalidResultOrAnLrcOutsideOneByte)
{
    EXPECT_THROW(RenderLrc(TLrcResult{}), ELrcError);
    EXPECT_THROW(RenderLrc({true, 1, 256}), ELrcError);
    EXPECT_THROW(RenderLrc({true, 1, -1}), ELrcError);
}

TEST(DigitHelpers, MatchTheStandardLibrarysConversions)
{
    // Every byte, the bit boundaries and the top of the range, against std::to_chars.
    std::vector<std::uint32_t> values;
    for (std::uint32_t v = 0; v < 1024; ++v)
        values.push_back(v);
    for (int bit = 10; bit < 32; ++bit)
        for (std::uint32_t v : {(1u << bit) - 1, 1u << bit, (1u << bit) + 1})
            values.push_back(v);
    values.push_back(UINT32_MAX);
    const auto expected = [](std::uint32_t v, int base) {
        char digits[33];
        const auto end = std::to_chars(digits, digits + sizeof digits, v, base).ptr;
        return std::string(digits, end);
    };
    for (const std::uint32_t v : values) {
        ASSERT_EQ(Shown(IntToBinary(v)), expected(v, 2));
        ASSERT_EQ(Shown(IntToOctal(v)), expected(v, 8));
    }
}

struct TPadRow
{
    std::string name;
    std::u16string text;
    int width;
    std::u16string padded;
};

class PadLeftTable : public testing::TestWithParam<TPadRow>
{
};

TEST_P(PadLeftTable, PadsButNeverTruncates)
{
    const TPadRow& row = GetParam();
    EXPECT_EQ(Shown(PadLeft(row.text, row.width, u'0')), Shown(row.padded));
}

INSTANTIATE_TEST_SUITE_P(Rows, PadLeftTable,
                         testing::ValuesIn(std::vector<TPadRow>{
                             {"Short", u"101", 8, u"00000101"},
                             {"Empty", u"", 3, u"000"},
                             {"ExactWidth", u"11110000", 8, u"11110000"},
                             {"LongerThanWidth", u"111100001", 8, u"111100001"},
                             {"ZeroWidth", u"1", 0, u"1"},
                             {"NegativeWidth", u"1", -4, u"1"},
                         }),
                         RowName<TPadRow>);

struct TSplitRow
{
    std::string name;
    std::u16string text;
    std::vector<std::u16string> tokens;
};

class SplitByDelimiterTable : public testing::TestWithParam<TSplitRow>
{
};

TEST_P(SplitByDelimiterTable, KeepsEmptyTokens)
{
    const TSplitRow& row = GetParam();
    EXPECT_EQ(SplitByDelimiter(row.text, u' '), row.tokens);
}

INSTANTIATE_TEST_SUITE_P(Rows, SplitByDelimiterTable,
                         testing::ValuesIn(std::vector<TSplitRow>{
                             {"ThreeTokens", u"01 A0 7C", {u"01", u"A0", u"7C"}},
                             {"TrailingDelimiter", u"01 A0 ", {u"01", u"A0", u""}},
                             {"LeadingDelimiter", u" 01", {u"", u"01"}},
                             {"DoubledDelimiter", u"01  02", {u"01", u"", u"02"}},
                             {"EmptyText", u"", {u""}},
                             {"TabIsNotTheDelimiter", u"01\t02", {u"01\t02"}},
                             {"DuplicatesKept", u"01 01", {u"01", u"01"}},
                         }),
                         RowName<TSplitRow>);

} // namespace
