#include "engine/HexMatcher.h"
#include "engine/Lrc.h"
#include "engine/Render.h"
#include "tests/support/LrcModel.h"

#include <QRandomGenerator>
#include <QTest>

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <memory>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

// A random text over characters that decide borderline cases, hex digits weighted up so that
// valid texts are common.
QString RandomText(QRandomGenerator& rng)
{
    static const char16_t alphabet[] = {
        u'0', u'1', u'9', u'a', u'f', u'A', u'F', u'7', u'E', u'c', // digits, both cases
        u' ', u' ', u' ', u'\t', u'\n', u'\r', u'\v', u'\f',       // separators and near misses
        u'g', u'G', u'x', u'-', u'\0', 0x85, 0xA0, 0x2028, 0x2029, 0x3000, // other whitespace
        0xFF10, 0xFF21,                                            // full-width 0 and A
        0xD800, 0xDC00,                                            // lone surrogates
    };
    const int length = static_cast<int>(rng.bounded(12));
    QString text;
    for (int i = 0; i < length; ++i) {
        if (rng.bounded(3) == 0) { // a well-formed pair, so that long valid texts occur
            text += QString::asprintf("%02X", rng.bounded(256)) + u' ';
            continue;
        }
        text += QChar(alphabet[rng.bounded(static_cast<quint32>(std::size(alphabet)))]);
    }
    return text;
}

QString Repeat(const QString& block, qsizetype times)
{
    return block.repeated(times);
}

} // namespace

Q_DECLARE_METATYPE(TLrcResult)

class TestEngine : public QObject
{
    Q_OBJECT

private slots:
    void calculateLrcGivesTheVerdictCountAndLrc_data();
    void calculateLrcGivesTheVerdictCountAndLrc();
    void everyValidatedTextYieldsItsBytesWhateverItsSeparators_data();
    void everyValidatedTextYieldsItsBytesWhateverItsSeparators();
    void malformedUtf8IsMalformedText_data();
    void malformedUtf8IsMalformedText();
    void possessivePatternDecidesExactlyAsTheWrittenPattern();
    void engineAgreesWithAnIndependentModelOnRandomTexts();
    void longTextsGetTheirVerdictAndLrc_data();
    void longTextsGetTheirVerdictAndLrc();
    void hostileTextsGetTheirVerdict_data();
    void hostileTextsGetTheirVerdict();
    void renderLrcGivesTheFourRadicesAndTheCount_data();
    void renderLrcGivesTheFourRadicesAndTheCount();
    void renderLrcRefusesAnInvalidResult();
    void digitHelpersMatchQtsOwnConversions();
    void padLeftPadsButNeverTruncates_data();
    void padLeftPadsButNeverTruncates();
    void splitByDelimiterKeepsEmptyTokens_data();
    void splitByDelimiterKeepsEmptyTokens();
};

void TestEngine::calculateLrcGivesTheVerdictCountAndLrc_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("byteCount");
    QTest::addColumn<int>("lrc");

    QTest::newRow("the example") << u"01 A0 7C FF 02"_s << true << 5 << 0xE2;
    QTest::newRow("lowercase digits") << u"a0"_s << true << 1 << 0x60;
    QTest::newRow("uppercase digits") << u"A0"_s << true << 1 << 0x60;
    QTest::newRow("one trailing blank is not a byte") << u"01 02 "_s << true << 2 << 0xFD;
    QTest::newRow("zero byte") << u"00"_s << true << 1 << 0;
    QTest::newRow("sum with low byte zero") << u"FF 01"_s << true << 2 << 0;
    QTest::newRow("7F") << u"7F"_s << true << 1 << 0x81;
    QTest::newRow("80") << u"80"_s << true << 1 << 0x80;
    QTest::newRow("01") << u"01"_s << true << 1 << 0xFF;
    QTest::newRow("Modbus ASCII read request") << u"11 03 00 6B 00 03"_s << true << 6 << 0x7E;

    QTest::newRow("empty") << QString() << false << 0 << 0;
    QTest::newRow("leading blank") << u" 01"_s << false << 0 << 0;
    QTest::newRow("two blanks") << u"01  02"_s << false << 0 << 0;
    QTest::newRow("no separator") << u"0102"_s << false << 0 << 0;
    QTest::newRow("one digit") << u"1"_s << false << 0 << 0;
    QTest::newRow("three digits") << u"001"_s << false << 0 << 0;
    QTest::newRow("non-hex letter") << u"01 0G"_s << false << 0 << 0;
    QTest::newRow("two trailing blanks") << u"01 02  "_s << false << 0 << 0;
    QTest::newRow("ideographic space") << u"01\u300002"_s << false << 0 << 0;
    QTest::newRow("full-width digits") << u"\uFF10\uFF11"_s << false << 0 << 0;
    QTest::newRow("only a blank") << u" "_s << false << 0 << 0;
    QTest::newRow("only a newline") << u"\n"_s << false << 0 << 0;
    QTest::newRow("vertical tab between pairs") << u"01\v02"_s << false << 0 << 0;
    QTest::newRow("no-break space") << u"01\u00A002"_s << false << 0 << 0;
    QTest::newRow("next line between pairs") << u"01\u008502"_s << false << 0 << 0;
    QTest::newRow("NUL after a pair") << QStringLiteral("01") + QChar(0) << false << 0 << 0;
    QTest::newRow("NUL between pairs") << u"01"_s + QChar(0) + u"02"_s << false << 0 << 0;
    QTest::newRow("lone high surrogate") << u"01 "_s + QChar(0xD800) << false << 0 << 0;
    QTest::newRow("lone low surrogate") << QChar(0xDC00) + u"01"_s << false << 0 << 0;
    QTest::newRow("0x prefix") << u"0x01"_s << false << 0 << 0;
    QTest::newRow("separator then closing newline") << u"01\n\n"_s << true << 1 << 0xFF;
    QTest::newRow("three line feeds") << u"01\n\n\n"_s << false << 0 << 0;
    QTest::newRow("blank then line separator") << u"01 \u2028"_s << true << 1 << 0xFF;
    QTest::newRow("two line separators") << u"01\u2028\u2028"_s << false << 0 << 0;
}

void TestEngine::calculateLrcGivesTheVerdictCountAndLrc()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(int, byteCount);
    QFETCH(int, lrc);

    const TLrcResult result = CalculateLrc(text);
    QCOMPARE(result.Valid, valid);
    if (valid) {
        QCOMPARE(result.ByteCount, byteCount);
        QCOMPARE(result.Lrc, lrc);
    }
}

void TestEngine::everyValidatedTextYieldsItsBytesWhateverItsSeparators_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("byteCount");
    QTest::addColumn<int>("lrc");

    QTest::newRow("tab separates") << u"01\t02"_s << 2 << 0xFD;
    QTest::newRow("line feed separates") << u"01\n02"_s << 2 << 0xFD;
    QTest::newRow("form feed separates") << u"01\f02"_s << 2 << 0xFD;
    QTest::newRow("carriage return separates") << u"01\r02"_s << 2 << 0xFD;
    QTest::newRow("mixed separators") << u"01\t02\n03\r04 05\f"_s << 5 << 0xF1;
    QTest::newRow("CR LF closes") << u"0A\r\n"_s << 1 << 0xF6;
    QTest::newRow("blank then CR LF") << u"0A \r\n"_s << 1 << 0xF6;
    QTest::newRow("LF closes") << u"0A\n"_s << 1 << 0xF6;
    QTest::newRow("vertical tab closes") << u"0A\v"_s << 1 << 0xF6;
    QTest::newRow("form feed closes") << u"0A\f"_s << 1 << 0xF6;
    QTest::newRow("CR closes") << u"0A\r"_s << 1 << 0xF6;
    QTest::newRow("next line closes") << u"0A\u0085"_s << 1 << 0xF6;
    QTest::newRow("line separator closes") << u"80\u2028"_s << 1 << 0x80;
    QTest::newRow("paragraph separator closes") << u"80 81\u2029"_s << 2 << 0xFF;
    QTest::newRow("tab then vertical tab") << u"01\t\v"_s << 1 << 0xFF;
}

void TestEngine::everyValidatedTextYieldsItsBytesWhateverItsSeparators()
{
    QFETCH(QString, text);
    QFETCH(int, byteCount);
    QFETCH(int, lrc);

    const TLrcResult result = CalculateLrc(text);
    QVERIFY(result.Valid);
    QCOMPARE(result.ByteCount, byteCount);
    QCOMPARE(result.Lrc, lrc);
    // The same text arriving as UTF-8 that nobody checked gets the same answer.
    const QByteArray utf8 = text.toUtf8();
    const TLrcResult fromUtf8 = CalculateLrcUtf8(std::string_view(utf8.constData(), utf8.size()));
    QCOMPARE(fromUtf8.Valid, true);
    QCOMPARE(fromUtf8.Lrc, lrc);
}

void TestEngine::malformedUtf8IsMalformedText_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("valid");

    QTest::newRow("Latin-1 byte after a pair") << QByteArray("01 \xff") << false;
    QTest::newRow("truncated two-byte sequence") << QByteArray("01\xc2") << false;
    QTest::newRow("overlong blank") << QByteArray("01\xc0\xa0" "02") << false;
    QTest::newRow("encoded surrogate") << QByteArray("01\xed\xa0\x80") << false;
    QTest::newRow("truncated line separator") << QByteArray("01\xe2\x80") << false;
    QTest::newRow("well-formed line separator") << QByteArray("01\xe2\x80\xa8") << true;
    QTest::newRow("well-formed next line") << QByteArray("01\xc2\x85") << true;
}

void TestEngine::malformedUtf8IsMalformedText()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, valid);
    const TLrcResult result = CalculateLrcUtf8(std::string_view(bytes.constData(), bytes.size()));
    QCOMPARE(result.Valid, valid);
}

void TestEngine::possessivePatternDecidesExactlyAsTheWrittenPattern()
{
    // The written pattern, compiled as it stands, backtracks per repetition and so only serves
    // for short texts; on those its verdict must equal the engine's.
    int error = 0;
    PCRE2_SIZE offset = 0;
    std::unique_ptr<pcre2_compile_context, decltype(&pcre2_compile_context_free)> context(
        pcre2_compile_context_create(nullptr), pcre2_compile_context_free);
    pcre2_set_newline(context.get(), PCRE2_NEWLINE_ANY);
    std::unique_ptr<pcre2_code, decltype(&pcre2_code_free)> written(
        pcre2_compile(reinterpret_cast<PCRE2_SPTR>(HexDataPattern.data()), HexDataPattern.size(),
                      PCRE2_UTF, &error, &offset, context.get()),
        pcre2_code_free);
    QVERIFY(written);
    std::unique_ptr<pcre2_match_data, decltype(&pcre2_match_data_free)> data(
        pcre2_match_data_create_from_pattern(written.get(), nullptr), pcre2_match_data_free);

    QRandomGenerator rng(20160829);
    int valid = 0;
    for (int i = 0; i < 50000; ++i) {
        const QString text = RandomText(rng);
        const QByteArray utf8 = text.toUtf8();
        const int rc = pcre2_match(written.get(), reinterpret_cast<PCRE2_SPTR>(utf8.constData()),
                                   utf8.size(), 0, PCRE2_NOTEMPTY, data.get(), nullptr);
        QVERIFY2(rc >= 0 || rc == PCRE2_ERROR_NOMATCH, qPrintable(QString::number(rc)));
        const bool expected = rc >= 0;
        valid += expected;
        if (CalculateLrc(text).Valid != expected)
            QFAIL(qPrintable(u"verdicts differ on "_s + QString::fromLatin1(utf8.toPercentEncoding())));
    }
    // Both verdicts must have been exercised for the comparison to mean anything.
    QVERIFY2(valid > 2000 && valid < 48000, qPrintable(QString::number(valid)));
}

void TestEngine::engineAgreesWithAnIndependentModelOnRandomTexts()
{
    QRandomGenerator rng(1110'0010);
    int valid = 0;
    for (int i = 0; i < 50000; ++i) {
        const QString text = RandomText(rng);
        const TLrcResult expected = ModelLrc(text);
        const TLrcResult actual = CalculateLrc(text);
        const QString shown = QString::fromLatin1(text.toUtf8().toPercentEncoding());
        QVERIFY2(actual.Valid == expected.Valid, qPrintable(shown));
        if (expected.Valid) {
            ++valid;
            QVERIFY2(actual.ByteCount == expected.ByteCount, qPrintable(shown));
            QVERIFY2(actual.Lrc == expected.Lrc, qPrintable(shown));
        }
    }
    QVERIFY2(valid > 2000, qPrintable(QString::number(valid)));
}

void TestEngine::longTextsGetTheirVerdictAndLrc_data()
{
    QTest::addColumn<QString>("block");
    QTest::addColumn<qsizetype>("repeats");
    QTest::addColumn<QString>("tail");
    QTest::addColumn<bool>("valid");

    const QString example = u"01 A0 7C FF 02 "_s; // 15 characters, byte sum 0x21E
    QTest::newRow("16 MiB of the example") << example << qsizetype(16 * 1024 * 1024 / 15) << QString() << true;
    QTest::newRow("24 MiB closed by a last pair") << example << qsizetype(24 * 1024 * 1024 / 15) << u"80"_s << true;
    QTest::newRow("16 MiB, tab separated") << u"7F\t"_s << qsizetype(16 * 1024 * 1024 / 3) << u"\r\n"_s << true;
    QTest::newRow("16 MiB, one bad character at the end") << example << qsizetype(16 * 1024 * 1024 / 15) << u"G"_s << false;
    QTest::newRow("16 MiB, two blanks at the end") << example << qsizetype(16 * 1024 * 1024 / 15) << u" "_s << false;
}

void TestEngine::longTextsGetTheirVerdictAndLrc()
{
    QFETCH(QString, block);
    QFETCH(qsizetype, repeats);
    QFETCH(QString, tail);
    QFETCH(bool, valid);

    const QString text = Repeat(block, repeats) + tail;
    const TLrcResult result = CalculateLrc(text);
    QCOMPARE(result.Valid, valid);
    if (!valid)
        return;
    // Sum and count from the model on one block and on the tail, scaled by the repeats.
    const TLrcResult blockModel = ModelLrc(block);
    const TLrcResult tailModel = tail.trimmed().isEmpty() ? TLrcResult{true, 0, 0} : ModelLrc(tail);
    const unsigned sum = static_cast<unsigned>(256 - blockModel.Lrc) * static_cast<unsigned>(repeats) +
                         static_cast<unsigned>(256 - tailModel.Lrc);
    QCOMPARE(qsizetype(result.ByteCount), blockModel.ByteCount * repeats + tailModel.ByteCount);
    QCOMPARE(result.Lrc, static_cast<int>((256 - sum % 256) % 256));
}

void TestEngine::hostileTextsGetTheirVerdict_data()
{
    // Whatever a clipboard holds: huge, repetitive, or almost right until the very end (the
    // worst case for a backtracking matcher). validBytes -1: malformed.
    QTest::addColumn<QString>("text");
    QTest::addColumn<qsizetype>("validBytes");

    const qsizetype pairs = 64 * 1024 * 1024 / 3;
    const QString valid = u"A0 "_s.repeated(pairs);
    const qsizetype million = 1'000'000;
    QTest::newRow("64 MiB of valid text") << valid << pairs;
    QTest::newRow("64 MiB, one bad character at the end") << valid + u'g' << qsizetype(-1);
    QTest::newRow("64 MiB, a vertical tab inside the end") << valid + u"\v\v"_s << qsizetype(-1);
    QTest::newRow("a million blanks between two pairs") << u"01"_s + QString(million, u' ') + u"02"_s << qsizetype(-1);
    QTest::newRow("a million tabs after a pair") << u"01"_s + QString(million, u'\t') << qsizetype(-1);
    QTest::newRow("a million line feeds") << QString(million, u'\n') << qsizetype(-1);
    QTest::newRow("a million CR LF") << u"\r\n"_s.repeated(million) << qsizetype(-1);
    QTest::newRow("a million line separators") << QString(million, QChar(0x2028)) << qsizetype(-1);
    QTest::newRow("a million NULs") << QString(million, QChar(0)) << qsizetype(-1);
    QTest::newRow("a million lone high surrogates") << QString(million, QChar(0xD800)) << qsizetype(-1);
    QTest::newRow("pairs joined by lone surrogates") << u"01"_s + QChar(0xDC00) + u"02"_s << qsizetype(-1);
}

void TestEngine::hostileTextsGetTheirVerdict()
{
    QFETCH(QString, text);
    QFETCH(qsizetype, validBytes);

    const TLrcResult result = CalculateLrc(text);
    QCOMPARE(result.Valid, validBytes >= 0);
    if (validBytes >= 0) {
        QCOMPARE(qsizetype(result.ByteCount), validBytes);
        QCOMPARE(result.Lrc, static_cast<int>((256 - (validBytes * 0xA0) % 256) % 256));
    }
    // The UTF-8 entry, unchecked, agrees.
    const QByteArray utf8 = text.toUtf8();
    QCOMPARE(CalculateLrcUtf8(std::string_view(utf8.constData(), utf8.size())).Valid, result.Valid);
}

void TestEngine::renderLrcGivesTheFourRadicesAndTheCount_data()
{
    QTest::addColumn<int>("lrc");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("hex");
    QTest::addColumn<QString>("decimal");
    QTest::addColumn<QString>("octal");
    QTest::addColumn<QString>("binary");
    QTest::addColumn<QString>("countText");

    QTest::newRow("0") << 0 << 1 << u"00"_s << u"0"_s << u"0"_s << u"0000 0000"_s << u"1 Bytes"_s;
    QTest::newRow("1") << 1 << 5 << u"01"_s << u"1"_s << u"1"_s << u"0000 0001"_s << u"5 Bytes"_s;
    QTest::newRow("8") << 8 << 2 << u"08"_s << u"8"_s << u"10"_s << u"0000 1000"_s << u"2 Bytes"_s;
    QTest::newRow("10") << 10 << 3 << u"0A"_s << u"10"_s << u"12"_s << u"0000 1010"_s << u"3 Bytes"_s;
    QTest::newRow("15") << 15 << 1 << u"0F"_s << u"15"_s << u"17"_s << u"0000 1111"_s << u"1 Bytes"_s;
    QTest::newRow("16") << 16 << 1 << u"10"_s << u"16"_s << u"20"_s << u"0001 0000"_s << u"1 Bytes"_s;
    QTest::newRow("128") << 128 << 1 << u"80"_s << u"128"_s << u"200"_s << u"1000 0000"_s << u"1 Bytes"_s;
    QTest::newRow("226") << 226 << 5 << u"E2"_s << u"226"_s << u"342"_s << u"1110 0010"_s << u"5 Bytes"_s;
    QTest::newRow("255") << 255 << 1234567 << u"FF"_s << u"255"_s << u"377"_s << u"1111 1111"_s << u"1234567 Bytes"_s;
}

void TestEngine::renderLrcGivesTheFourRadicesAndTheCount()
{
    QFETCH(int, lrc);
    QFETCH(int, count);
    const TLrcTexts texts = RenderLrc({true, count, lrc});
    QTEST(texts.Hex, "hex");
    QTEST(texts.Decimal, "decimal");
    QTEST(texts.Octal, "octal");
    QTEST(texts.Binary, "binary");
    QTEST(texts.ByteCountText, "countText");
}

void TestEngine::renderLrcRefusesAnInvalidResult()
{
    QVERIFY_THROWS_EXCEPTION(ELrcError, RenderLrc(TLrcResult{}));
    QVERIFY_THROWS_EXCEPTION(ELrcError, RenderLrc({true, 1, 256}));
    QVERIFY_THROWS_EXCEPTION(ELrcError, RenderLrc({true, 1, -1}));
}

void TestEngine::digitHelpersMatchQtsOwnConversions()
{
    // Every byte, the bit boundaries and the top of the range, against QString::number.
    std::vector<std::uint32_t> values;
    for (std::uint32_t v = 0; v < 1024; ++v)
        values.push_back(v);
    for (int bit = 10; bit < 32; ++bit)
        for (std::uint32_t v : {(1u << bit) - 1, 1u << bit, (1u << bit) + 1})
            values.push_back(v);
    values.push_back(UINT32_MAX);
    for (const std::uint32_t v : values) {
        QCOMPARE(IntToBinary(v), QString::number(v, 2));
        QCOMPARE(IntToOctal(v), QString::number(v, 8));
    }
}

void TestEngine::padLeftPadsButNeverTruncates_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("padded");

    QTest::newRow("short") << u"101"_s << 8 << u"00000101"_s;
    QTest::newRow("empty") << QString() << 3 << u"000"_s;
    QTest::newRow("exact width") << u"11110000"_s << 8 << u"11110000"_s;
    QTest::newRow("longer than width") << u"111100001"_s << 8 << u"111100001"_s;
    QTest::newRow("zero width") << u"1"_s << 0 << u"1"_s;
    QTest::newRow("negative width") << u"1"_s << -4 << u"1"_s;
}

void TestEngine::padLeftPadsButNeverTruncates()
{
    QFETCH(QString, text);
    QFETCH(int, width);
    QTEST(PadLeft(text, width, u'0'), "padded");
}

void TestEngine::splitByDelimiterKeepsEmptyTokens_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("tokens");

    QTest::newRow("three tokens") << u"01 A0 7C"_s << QStringList{u"01"_s, u"A0"_s, u"7C"_s};
    QTest::newRow("trailing delimiter") << u"01 A0 "_s << QStringList{u"01"_s, u"A0"_s, QString()};
    QTest::newRow("leading delimiter") << u" 01"_s << QStringList{QString(), u"01"_s};
    QTest::newRow("doubled delimiter") << u"01  02"_s << QStringList{u"01"_s, QString(), u"02"_s};
    QTest::newRow("empty text") << QString() << QStringList{QString()};
    QTest::newRow("tab is not the delimiter") << u"01\t02"_s << QStringList{u"01\t02"_s};
    QTest::newRow("duplicates kept") << u"01 01"_s << QStringList{u"01"_s, u"01"_s};
}

void TestEngine::splitByDelimiterKeepsEmptyTokens()
{
    QFETCH(QString, text);
    QTEST(SplitByDelimiter(text, u' '), "tokens");
}

QTEST_GUILESS_MAIN(TestEngine)
#include "tst_engine.moc"
