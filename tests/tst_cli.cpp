// sumvane-lrc as a script sees it: the real executable, its streams and its exit status.
#include <QProcess>
#include <QTemporaryFile>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

struct TRun
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

TRun RunTool(const QStringList& args, const QByteArray& input = {}, const QString& outputFile = {})
{
    QProcess process;
    if (!outputFile.isEmpty())
        process.setStandardOutputFile(outputFile);
    process.start(QStringLiteral(SUMVANE_LRC_PATH), args);
    process.waitForStarted();
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(60000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

const QByteArray ExampleReport = "hex: E2\ndecimal: 226\noctal: 342\nbinary: 1110 0010\nbytes: 5\n";

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void toolAnswersLikeTheWindow_data();
    void toolAnswersLikeTheWindow();
    void usageErrorsExitTwoWithTheReason_data();
    void usageErrorsExitTwoWithTheReason();
    void helpAndVersionPrintToStandardOutput();
    void anAnswerThatCannotBeWrittenIsAFailure_data();
    void anAnswerThatCannotBeWrittenIsAFailure();
    void sixtyFourMebibytesOnStandardInputIsOrdinaryWork();
};

void TestCli::toolAnswersLikeTheWindow_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QByteArray>("errContains");

    const QByteArray malformed = "数据格式不正确";
    QTest::newRow("example as argument") << QStringList{u"01 A0 7C FF 02"_s} << QByteArray() << 0 << ExampleReport << QByteArray();
    QTest::newRow("example on stdin with its newline") << QStringList() << QByteArray("01 A0 7C FF 02\n") << 0 << ExampleReport << QByteArray();
    QTest::newRow("example on stdin with CR LF") << QStringList() << QByteArray("01 A0 7C FF 02\r\n") << 0 << ExampleReport << QByteArray();
    QTest::newRow("argument wins over stdin") << QStringList{u"01 A0 7C FF 02"_s} << QByteArray("zz") << 0 << ExampleReport << QByteArray();
    QTest::newRow("text after --") << QStringList{u"--"_s, u"01 A0 7C FF 02"_s} << QByteArray() << 0 << ExampleReport << QByteArray();
    QTest::newRow("field hex") << QStringList{u"--field"_s, u"hex"_s, u"01 02 02"_s} << QByteArray() << 0 << QByteArray("FB\n") << QByteArray();
    QTest::newRow("field=decimal") << QStringList{u"--field=decimal"_s, u"01 02 02"_s} << QByteArray() << 0 << QByteArray("251\n") << QByteArray();
    QTest::newRow("field octal") << QStringList{u"--field"_s, u"octal"_s, u"08"_s} << QByteArray() << 0 << QByteArray("370\n") << QByteArray();
    QTest::newRow("field binary") << QStringList{u"--field"_s, u"binary"_s, u"FF"_s} << QByteArray() << 0 << QByteArray("0000 0001\n") << QByteArray();
    QTest::newRow("field bytes") << QStringList{u"--field"_s, u"bytes"_s} << QByteArray("01\t02\n03") << 0 << QByteArray("3\n") << QByteArray();
    QTest::newRow("malformed argument") << QStringList{u"01  02"_s} << QByteArray() << 1 << QByteArray() << malformed;
    QTest::newRow("empty stdin") << QStringList() << QByteArray() << 1 << QByteArray() << malformed;
    QTest::newRow("non-UTF-8 stdin") << QStringList() << QByteArray("01 \xff") << 1 << QByteArray() << malformed;
    QTest::newRow("NUL on stdin") << QStringList() << QByteArray("01\0 02", 6) << 1 << QByteArray() << malformed;
    QTest::newRow("a million separators on stdin") << QStringList() << QByteArray("01") + QByteArray(1'000'000, ' ') << 1 << QByteArray() << malformed;
    QTest::newRow("nothing but newlines on stdin") << QStringList() << QByteArray("\r\n").repeated(500'000) << 1 << QByteArray() << malformed;
    QTest::newRow("lone surrogate encoded in UTF-8") << QStringList() << QByteArray("01 \xed\xb0\x80") << 1 << QByteArray() << malformed;
    QTest::newRow("malformed with a field") << QStringList{u"--field"_s, u"hex"_s, u"1"_s} << QByteArray() << 1 << QByteArray() << malformed;
    QTest::newRow("check passes") << QStringList{u"--check"_s, u"11 03 00 6B 00 03 7E"_s} << QByteArray() << 0 << QByteArray("check: ok\n") << QByteArray();
    QTest::newRow("check passes on stdin") << QStringList{u"--check"_s} << QByteArray("01 A0 7C FF 02 E2\n") << 0 << QByteArray("check: ok\n") << QByteArray();
    QTest::newRow("check fails with the right LRC") << QStringList{u"--check"_s, u"11 03 00 6B 00 03 7F"_s} << QByteArray() << 1 << QByteArray() << QByteArray("ends with 7F, it should end with 7E");
    QTest::newRow("check of a one-byte frame") << QStringList{u"--check"_s, u"05"_s} << QByteArray() << 1 << QByteArray() << QByteArray("ends with 05, it should end with 00");
    QTest::newRow("check names the last byte before a closing LF") << QStringList{u"--check"_s} << QByteArray("11 03 00 6B 00 03 7F\n") << 1 << QByteArray() << QByteArray("ends with 7F, it should end with 7E");
    QTest::newRow("check names the last byte before a closing CR LF") << QStringList{u"--check"_s, u"11 03 00 6B 00 03 7F\r\n"_s} << QByteArray() << 1 << QByteArray() << QByteArray("ends with 7F, it should end with 7E");
    QTest::newRow("check names the last byte before a blank and a line separator") << QStringList{u"--check"_s, u"01 A0 7C FF 02 E3 \u2028"_s} << QByteArray() << 1 << QByteArray() << QByteArray("ends with E3, it should end with E2");
    QTest::newRow("check of malformed text") << QStringList{u"--check"_s, u"7E "_s + u" "_s} << QByteArray() << 1 << QByteArray() << malformed;
    QTest::newRow("dash reads stdin") << QStringList{u"-"_s} << QByteArray("01 A0 7C FF 02") << 0 << ExampleReport << QByteArray();
    QTest::newRow("packed frame") << QStringList{u"--format"_s, u"packed"_s, u"01a07cFF02"_s} << QByteArray() << 0 << ExampleReport << QByteArray();
    QTest::newRow("modbus ascii frame checks") << QStringList{u"--format=modbus-ascii"_s, u"--check"_s} << QByteArray(":1103006B00037E\r\n") << 0 << QByteArray("check: ok\n") << QByteArray();
    QTest::newRow("modbus ascii frame with a wrong LRC") << QStringList{u"--format=modbus-ascii"_s, u"--check"_s, u":1103006B00037F"_s} << QByteArray() << 1 << QByteArray() << QByteArray("ends with 7F, it should end with 7E");
    QTest::newRow("a doubled blank named by its place") << QStringList() << QByteArray("01 A0 7C  FF") << 1 << QByteArray() << QByteArray("at character 10: two separators in a row (");
    QTest::newRow("a place on the second line") << QStringList() << QByteArray("01 02\n03 0G") << 1 << QByteArray() << QByteArray("at line 2, column 5: 'G' is neither a hex digit nor a separator (");
    QTest::newRow("CR LF is one line break in a place") << QStringList{u"--format=packed"_s} << QByteArray("0102\r\n03") << 1 << QByteArray() << QByteArray("at line 2, column 1: text after the final line break (");
    QTest::newRow("invalid UTF-8 named by its byte") << QStringList() << QByteArray("01 \xff") << 1 << QByteArray() << QByteArray("at byte 4: invalid UTF-8");
    QTest::newRow("UTF-16 input") << QStringList() << QByteArray("\xff\xfe" "0\0" "1\0", 6) << 1 << QByteArray() << QByteArray("at character 1: UTF-16 text; save it as UTF-8");
    QTest::newRow("packed text hints at its format") << QStringList{u"1103006B"_s} << QByteArray() << 1 << QByteArray() << QByteArray("at character 3: a third hex digit; pairs are separated by one blank (expected pairs of hex digits, each but the last followed by one blank, tab or line break)\nsumvane-lrc: hint: it is well-formed as --format packed\n");
    QTest::newRow("modbus ascii odd digits") << QStringList{u"--format"_s, u"modbus-ascii"_s, u":11030"_s} << QByteArray() << 1 << QByteArray() << QByteArray("at character 6: a single hex digit; every byte is two");
    QTest::newRow("a file name as TEXT hints at stdin") << QStringList{QStringLiteral(SUMVANE_LRC_PATH)} << QByteArray() << 1 << QByteArray() << QByteArray("is a file; to check what it holds, give it on standard input: sumvane-lrc < ");
    QTest::newRow("lines, every frame ok") << QStringList{u"--lines"_s, u"--check"_s} << QByteArray("11 03 00 6B 00 03 7E\r\n\n01 03 00 00 00 01 FB") << 0 << QByteArray("1: ok\n3: ok\n") << QByteArray("sumvane-lrc: 2 frames: 2 ok, 0 wrong LRC, 0 malformed\n");
    QTest::newRow("lines, one bad frame of each kind") << QStringList{u"--lines"_s, u"--check"_s, u"--format=modbus-ascii"_s} << QByteArray(":1103006B00037F\r1103\r\n\r\n:0101FE") << 1 << QByteArray("1: LRC mismatch: ends with 7F, should end with 7E\n2: malformed at column 1: a Modbus ASCII frame starts with ':'\n4: ok\n") << QByteArray("sumvane-lrc: 3 frames: 1 ok, 1 wrong LRC, 1 malformed\n");
    QTest::newRow("lines, a place within its line") << QStringList{u"--lines"_s, u"--format"_s, u"packed"_s} << QByteArray("0102\n01 02\r\n") << 1 << QByteArray("1: FD\n2: malformed at column 3: a blank is not a hex digit\n") << QByteArray("2 frames: 1 ok, 1 malformed");
    QTest::newRow("append spaced") << QStringList{u"--append"_s, u"11 03 00 6B 00 03"_s} << QByteArray() << 0 << QByteArray("11 03 00 6B 00 03 7E\n") << QByteArray();
    QTest::newRow("append packed from stdin, in capitals") << QStringList{u"--append"_s, u"--format=packed"_s} << QByteArray("1103006b0003\r\n") << 0 << QByteArray("1103006B00037E\n") << QByteArray();
    QTest::newRow("append modbus ascii: the wire frame") << QStringList{u"--append"_s, u"--format"_s, u"modbus-ascii"_s, u"1103006B0003"_s} << QByteArray() << 0 << QByteArray(":1103006B00037E\r\n") << QByteArray();
    QTest::newRow("append modbus ascii refuses a whole frame") << QStringList{u"--append"_s, u"--format=modbus-ascii"_s, u":1103006B00037E"_s} << QByteArray() << 1 << QByteArray() << QByteArray("at character 1: ':' is not a hex digit (expected the address, function and data as pairs of hex digits, without ':' and LRC)\n");
    QTest::newRow("append a C array keeps its braces") << QStringList{u"--append"_s, u"--format=c-array"_s, u"{0x11, 0X03,}"_s} << QByteArray() << 0 << QByteArray("{0x11, 0x03, 0xEC}\n") << QByteArray();
    QTest::newRow("append colon-separated") << QStringList{u"--append"_s, u"--format=colon"_s, u"11:03"_s} << QByteArray() << 0 << QByteArray("11:03:EC\n") << QByteArray();
    QTest::newRow("append a zero LRC") << QStringList{u"--append"_s, u"FF 01"_s} << QByteArray() << 0 << QByteArray("FF 01 00\n") << QByteArray();
    QTest::newRow("append malformed prints nothing") << QStringList{u"--append"_s, u"01 2"_s} << QByteArray() << 1 << QByteArray() << QByteArray("at character 4: a single hex digit; every byte is two (");
    QTest::newRow("append lines: frames out, flaws on stderr") << QStringList{u"--append"_s, u"--lines"_s, u"--format=modbus-ascii"_s} << QByteArray("1103006B0003\r\n11030\n0101\n") << 1 << QByteArray(":1103006B00037E\r\n:0101FE\r\n") << QByteArray("sumvane-lrc: line 2: malformed at column 5: a single hex digit; every byte is two\nsumvane-lrc: 3 frames: 2 ok, 1 malformed\n");
    QTest::newRow("a C array hints at its format") << QStringList{u"0x11, 0x03"_s} << QByteArray() << 1 << QByteArray() << QByteArray("(expected pairs of hex digits, each but the last followed by one blank, tab or line break)\nsumvane-lrc: hint: it is well-formed as --format c-array\n");
    QTest::newRow("colon-separated hints at its format") << QStringList{u"11:03:00"_s} << QByteArray() << 1 << QByteArray() << QByteArray("sumvane-lrc: hint: it is well-formed as --format colon\n");
    QTest::newRow("C array with a blank before its comma") << QStringList{u"--format=c-array"_s, u"0x11 ,0x03"_s} << QByteArray() << 1 << QByteArray() << QByteArray("at character 5: a blank cannot stand here (expected bytes such as 0x11, each 0x and two hex digits, separated by a comma and perhaps blanks, perhaps in {} or [])\n");
    QTest::newRow("C array, a field of it") << QStringList{u"--format=c-array"_s, u"--field=hex"_s, u"[0x11, 0x03]"_s} << QByteArray() << 0 << QByteArray("EC\n") << QByteArray();
    QTest::newRow("colon-separated odd digits") << QStringList{u"--format=colon"_s, u"11:3"_s} << QByteArray() << 1 << QByteArray() << QByteArray("at character 4: a single hex digit; every byte is two (expected pairs of hex digits separated by ':')\n");
    QTest::newRow("status: malformed, nothing said") << QStringList{u"--status"_s, u"01  02"_s} << QByteArray() << 1 << QByteArray() << QByteArray();
    QTest::newRow("status: a check that passes") << QStringList{u"--status"_s, u"--check"_s, u"05 FB"_s} << QByteArray() << 0 << QByteArray() << QByteArray();
    QTest::newRow("status: a check that fails") << QStringList{u"--status"_s, u"--check"_s, u"05 FA"_s} << QByteArray() << 1 << QByteArray() << QByteArray();
    QTest::newRow("status: a log with a bad frame") << QStringList{u"--status"_s, u"--lines"_s, u"--check"_s} << QByteArray("05 FB\n05\n") << 1 << QByteArray() << QByteArray();
    QTest::newRow("quiet: only the failing frames and the tally") << QStringList{u"--lines"_s, u"--check"_s, u"--quiet"_s} << QByteArray("05 FB\n05\n\n06 FA\n0G") << 1 << QByteArray("2: LRC mismatch: ends with 05, should end with 00\n5: malformed at column 2: 'G' is neither a hex digit nor a separator\n") << QByteArray("sumvane-lrc: 4 frames: 2 ok, 1 wrong LRC, 1 malformed\n");
    QTest::newRow("json") << QStringList{u"--json"_s, u"01 A0 7C FF 02"_s} << QByteArray() << 0 << QByteArray("{\"valid\":true,\"hex\":\"E2\",\"decimal\":226,\"octal\":\"342\",\"binary\":\"1110 0010\",\"bytes\":5}\n") << QByteArray();
    QTest::newRow("json malformed, with the formats that read it") << QStringList{u"--json"_s, u"0102"_s} << QByteArray() << 1 << QByteArray("{\"valid\":false,\"flaw\":\"a third hex digit; pairs are separated by one blank\",\"position\":3,\"line\":1,\"column\":3,\"byte\":3,\"well_formed_as\":[\"packed\"]}\n") << QByteArray();
    QTest::newRow("json of invalid UTF-8") << QStringList{u"--json"_s} << QByteArray("01\n\xff") << 1 << QByteArray("{\"valid\":false,\"flaw\":\"invalid UTF-8\",\"position\":4,\"line\":2,\"column\":1,\"byte\":4}\n") << QByteArray();
    QTest::newRow("json of a failing check") << QStringList{u"--json"_s, u"--check"_s, u"11 03 00 6B 00 03 7F"_s} << QByteArray() << 1 << QByteArray("{\"valid\":true,\"hex\":\"FF\",\"decimal\":255,\"octal\":\"377\",\"binary\":\"1111 1111\",\"bytes\":7,\"check\":\"mismatch\",\"last\":\"7F\",\"expected\":\"7E\"}\n") << QByteArray();
    QTest::newRow("json of a frame built") << QStringList{u"--json"_s, u"--append"_s, u"--format=modbus-ascii"_s, u"F7"_s} << QByteArray() << 0 << QByteArray("{\"valid\":true,\"hex\":\"09\",\"decimal\":9,\"octal\":\"11\",\"binary\":\"0000 1001\",\"bytes\":1,\"frame\":\":F709\"}\n") << QByteArray();
    QTest::newRow("json lines and the summary") << QStringList{u"--json"_s, u"--lines"_s, u"--check"_s} << QByteArray("05 FB\n\n05\r\n0G\n") << 1 << QByteArray("{\"line\":1,\"valid\":true,\"hex\":\"00\",\"decimal\":0,\"octal\":\"0\",\"binary\":\"0000 0000\",\"bytes\":2,\"check\":\"ok\",\"last\":\"FB\",\"expected\":\"FB\"}\n{\"line\":3,\"valid\":true,\"hex\":\"FB\",\"decimal\":251,\"octal\":\"373\",\"binary\":\"1111 1011\",\"bytes\":1,\"check\":\"mismatch\",\"last\":\"05\",\"expected\":\"00\"}\n{\"line\":4,\"valid\":false,\"flaw\":\"'G' is neither a hex digit nor a separator\",\"position\":2,\"column\":2,\"byte\":2}\n{\"summary\":true,\"frames\":3,\"ok\":1,\"wrong_lrc\":1,\"malformed\":1}\n") << QByteArray();
    QTest::newRow("lines with a field") << QStringList{u"--lines"_s, u"--field=bytes"_s, u"01 02\n03"_s} << QByteArray() << 0 << QByteArray("1: 2\n2: 1\n") << QByteArray("sumvane-lrc: 2 frames: 2 ok, 0 malformed\n");
}

void TestCli::toolAnswersLikeTheWindow()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, errContains);

    const TRun run = RunTool(args, input);
    QTEST(run.exitCode, "exitCode");
    QTEST(run.out, "out");
    if (errContains.isEmpty())
        QCOMPARE(run.err, QByteArray());
    else
        QVERIFY2(run.err.contains(errContains), run.err.constData());
}

void TestCli::usageErrorsExitTwoWithTheReason_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("message");

    QTest::newRow("unknown option") << QStringList{u"--frobnicate"_s} << QByteArray("sumvane-lrc: unknown option '--frobnicate'\n");
    QTest::newRow("second TEXT") << QStringList{u"01"_s, u"02"_s} << QByteArray("sumvane-lrc: more than one TEXT given; quote the data text as one argument\n");
    QTest::newRow("field without name") << QStringList{u"--field"_s} << QByteArray("sumvane-lrc: --field needs a NAME\n");
    QTest::newRow("unknown field") << QStringList{u"--field=crc"_s, u"01"_s} << QByteArray("sumvane-lrc: unknown field 'crc' (expected hex, decimal, octal, binary or bytes)\n");
    QTest::newRow("check with field") << QStringList{u"--check"_s, u"--field"_s, u"hex"_s, u"01"_s} << QByteArray("sumvane-lrc: --check and --field cannot be combined\n");
    QTest::newRow("repeated field") << QStringList{u"--field=hex"_s, u"--field"_s, u"bytes"_s, u"01"_s} << QByteArray("sumvane-lrc: --field given more than once\n");
    QTest::newRow("unknown format") << QStringList{u"--format=rtu"_s, u"01"_s} << QByteArray("sumvane-lrc: unknown format 'rtu' (expected spaced, packed, modbus-ascii, c-array or colon)\n");
    QTest::newRow("append with check") << QStringList{u"--append"_s, u"--check"_s, u"01"_s} << QByteArray("sumvane-lrc: --append and --check cannot be combined\n");
    QTest::newRow("json with field") << QStringList{u"--json"_s, u"--field=hex"_s, u"01"_s} << QByteArray("sumvane-lrc: --json and --field cannot be combined\n");
    QTest::newRow("status with json") << QStringList{u"--status"_s, u"--json"_s, u"01"_s} << QByteArray("sumvane-lrc: --status and --json cannot be combined\n");
    QTest::newRow("quiet without lines") << QStringList{u"--quiet"_s, u"01"_s} << QByteArray("sumvane-lrc: --quiet needs --lines; for one text, --status prints nothing\n");
    QTest::newRow("repeated format") << QStringList{u"--format=packed"_s, u"--format=packed"_s} << QByteArray("sumvane-lrc: --format given more than once\n");
}

void TestCli::usageErrorsExitTwoWithTheReason()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, message);

    const TRun run = RunTool(args);
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(run.out, QByteArray());
    QVERIFY2(run.err.startsWith(message + "\nUsage: sumvane-lrc"), run.err.constData());
}

void TestCli::helpAndVersionPrintToStandardOutput()
{
    const TRun version = RunTool({u"--version"_s});
    QCOMPARE(version.exitCode, 0);
    QCOMPARE(version.out, QByteArray("sumvane-lrc 1.0.0.0\n"));

    const TRun help = RunTool({u"--help"_s});
    QCOMPARE(help.exitCode, 0);
    QVERIFY(help.out.startsWith("Usage: sumvane-lrc [OPTIONS] [TEXT]\n"));
    QCOMPARE(help.err, QByteArray());
}

void TestCli::anAnswerThatCannotBeWrittenIsAFailure_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("err");

    const QByteArray cannotWrite = "sumvane-lrc: cannot write the result\n";
    QTest::newRow("the report") << QStringList{u"01"_s} << cannotWrite;
    QTest::newRow("one field") << QStringList{u"--field=hex"_s, u"01"_s} << cannotWrite;
    QTest::newRow("a passing check") << QStringList{u"--check"_s, u"05 FB"_s} << cannotWrite;
    QTest::newRow("the help") << QStringList{u"--help"_s} << QByteArray();
    QTest::newRow("the version") << QStringList{u"--version"_s} << QByteArray();
}

void TestCli::anAnswerThatCannotBeWrittenIsAFailure()
{
    QFETCH(QStringList, args);
    if (!QFile::exists(u"/dev/full"_s))
        QSKIP("no /dev/full here");
    const TRun run = RunTool(args, {}, u"/dev/full"_s);
    QCOMPARE(run.exitCode, 2);
    QTEST(run.err, "err");
}

void TestCli::sixtyFourMebibytesOnStandardInputIsOrdinaryWork()
{
    // 64 MiB of "01 A0 7C FF 02 " blocks, plus a closing pair: the count and the LRC follow
    // from the block's five bytes and sum 0x21E.
    const qsizetype blocks = 64 * 1024 * 1024 / 15;
    const QByteArray text = QByteArray("01 A0 7C FF 02 ").repeated(blocks) + "0D";
    const int lrc = static_cast<int>((256 - (blocks * 0x21E + 0x0D) % 256) % 256);

    const TRun run = RunTool({u"--field"_s, u"hex"_s}, text);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QByteArray::number(lrc, 16).toUpper().rightJustified(2, '0') + '\n');

    const TRun count = RunTool({u"--field"_s, u"bytes"_s}, text);
    QCOMPARE(count.out, QByteArray::number(blocks * 5 + 1) + '\n');

    const TRun bad = RunTool({}, text + 'G');
    QCOMPARE(bad.exitCode, 1);
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
