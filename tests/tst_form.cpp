// The window as a user meets it, driven through Qt's own event delivery (offscreen).
#include "engine/Lrc.h"
#include "product/Product.h"
#include "tests/support/ExampleRows.h"
#include "tests/support/PasteRows.h"
#include "tests/support/SharedRows.h"
#include "ui/Layout.h"
#include "ui/Platform.h"
#include "ui/QtText.h"
#include "ui/Unit1.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// Counts the paint events a widget receives.
class TPaintCounter : public QObject
{
public:
    explicit TPaintCounter(QWidget* watched) { watched->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        count += event->type() == QEvent::Paint;
        return false;
    }
};

// Delivers what is pending, repaints included: a widget asked to repaint has painted when this
// returns (the offscreen platform paints as it handles the update request), so a repaint that
// does not come has not merely been late.
void DeliverPendingEvents()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

QString Label9Colour(const TForm1& form)
{
    return form.Label9->palette().color(QPalette::WindowText).name();
}

// A colour of the layout as the palette's name for it: the test's own reading of 0x00BBGGRR.
QString ColourName(TColor color)
{
    return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF).name();
}

// A control's stated place at 96 pixels per inch, where the offscreen window stands as it starts.
QRect PlaceAt96(std::string_view name)
{
    for (const TPlaceRow& row : WindowPlacesAt(96).controls)
        if (row.name == name)
            return QRect(row.left, row.top, row.width, row.height);
    return {};
}

} // namespace

class TestForm : public QObject
{
    Q_OBJECT

private slots:
    void everyControlStandsWhereTheLayoutPutsIt_data();
    void everyControlStandsWhereTheLayoutPutsIt();
    void windowIsFixedWithTheCloseButtonOnly();
    void startsUntouchedWithTheFocusInTheDataField();
    void typingTheExampleKeyByKeyFollowsEveryText_data();
    void typingTheExampleKeyByKeyFollowsEveryText();
    void label9KeepsItsRightEdgeInEveryState();
    void everyStatusReadsInTheThemeAndFollowsItsChange_data();
    void everyStatusReadsInTheThemeAndFollowsItsChange();
    void emptyingTheFieldShowsTheFormatMessage();
    void anUnchangedResultNeitherSignalsNorRepaints();
    void tabVisitsTheFieldsInOrderAndSelectsTheirText();
    void resultFieldsAreReadOnlyButCopyable();
    void aLongPasteIsKeptWhole();
    void aPasteKeepsEveryCharacterAsOneUndoableChange_data();
    void aPasteKeepsEveryCharacterAsOneUndoableChange();
    void hostilePastesGetTheirVerdict_data();
    void hostilePastesGetTheirVerdict();
    void eachFieldIsAnnouncedWithItsLabel_data();
    void eachFieldIsAnnouncedWithItsLabel();
    void theLinkOpensTheAddressOncePerClick_data();
    void theLinkOpensTheAddressOncePerClick();
    void aFailingHandlerShowsTheErrorBoxAndTheAppCarriesOn();
    void scalingMovesAndSizesEveryControlInProportion();
};

void TestForm::everyControlStandsWhereTheLayoutPutsIt_data()
{
    QTest::addColumn<int>("textHeight");
    QTest::addColumn<QSize>("client");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QRect>("place");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("fits");

    // The places tests/data/rows.json states for 96 and 144 pixels per inch. At 96 the window is
    // built as it starts: its font (DejaVu Sans here) measures the layout's 13 and nothing is
    // scaled. Qt keeps logical pixels at every density, so the offscreen window measures 13 at 144
    // too; the 144 rows build it for the text height Windows measures there instead, which takes
    // the same path at load as a font of that height would: scaling, then fitting the labels.
    for (const int pixelsPerInch : {96, 144}) {
        const TWindowPlaces window = WindowPlacesAt(pixelsPerInch);
        for (const TPlaceRow& row : window.controls)
            QTest::addRow("%s at %d dpi", row.name.c_str(), pixelsPerInch)
                << (pixelsPerInch == 96 ? 0 : window.textHeight)
                << QSize(window.clientWidth, window.clientHeight)
                << QString::fromStdString(row.name) << QString::fromStdString(row.parent)
                << QRect(row.left, row.top, row.width, row.height) << ToQString(row.caption)
                << QString::fromStdString(row.fits);
    }
}

void TestForm::everyControlStandsWhereTheLayoutPutsIt()
{
    QFETCH(int, textHeight);
    QFETCH(QString, name);
    QFETCH(QString, parent);
    QFETCH(QRect, place);
    QFETCH(QString, caption);
    QFETCH(QString, fits);

    TForm1 form(nullptr, textHeight);
    QCOMPARE(form.objectName(), u"Form1"_s);
    QTEST(form.size(), "client");
    auto* widget = form.findChild<QWidget*>(name);
    QVERIFY(widget);
    QCOMPARE(widget->parentWidget()->objectName(), parent);

    QCOMPARE(qobject_cast<QLabel*>(widget) != nullptr, !fits.isEmpty());
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        QCOMPARE(label->text(), caption);
        // Labels fit their caption in the window font; the layout's widths are the original
        // font's, so only the edge each keeps and the top are fixed.
        const QFontMetrics metrics(label->font());
        QVERIFY2(qAbs(label->width() - metrics.horizontalAdvance(caption)) <= 1,
                 qPrintable(QString::number(label->width())));
        QCOMPARE(label->height(), metrics.height());
        QCOMPARE(label->y(), place.y());
        if (fits == u"right"_s)
            QCOMPARE(label->geometry().right(), place.right());
        else
            QCOMPARE(label->x(), place.x());
        // Nothing reaches outside the window.
        QVERIFY(label->mapTo(&form, QPoint(label->width(), 0)).x() <= form.width());
    } else {
        QCOMPARE(widget->geometry(), place);
        if (auto* box = qobject_cast<QGroupBox*>(widget))
            QCOMPARE(box->title(), caption);
        else
            QCOMPARE(qobject_cast<QLineEdit*>(widget)->text(), caption);
    }
}

void TestForm::windowIsFixedWithTheCloseButtonOnly()
{
    TForm1 form;
    QCOMPARE(form.windowTitle(), QString::fromUtf16(FormCaptionText));
    const TWindowPlaces window = WindowPlacesAt(96);
    QCOMPARE(QFontMetrics(form.font()).height(), window.textHeight);
    const QSize client(window.clientWidth, window.clientHeight);
    QCOMPARE(form.size(), client);
    QCOMPARE(form.minimumSize(), client);
    QCOMPARE(form.maximumSize(), client);
    // Every control of the window has its stated place.
    QStringList controls, stated;
    for (const QWidget* child : form.findChildren<QWidget*>())
        controls << child->objectName();
    for (const TPlaceRow& row : window.controls)
        stated << QString::fromStdString(row.name);
    controls.sort();
    stated.sort();
    QCOMPARE(controls, stated);
    const Qt::WindowFlags flags = form.windowFlags();
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(flags & Qt::WindowSystemMenuHint);
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QCOMPARE(form.Edit1->maxLength(), std::numeric_limits<int>::max());
    QCOMPARE(form.Label8->cursor().shape(), Qt::PointingHandCursor);
    QVERIFY(form.Label8->font().underline());
    QCOMPARE(form.Label8->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    QCOMPARE(form.Label6->palette().color(QPalette::WindowText), QColor(128, 128, 128));
}

void TestForm::startsUntouchedWithTheFocusInTheDataField()
{
    TForm1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QCOMPARE(QApplication::focusWidget(), form.Edit1);
    for (QLineEdit* field : {form.Edit1, form.Edit16, form.Edit10, form.Edit8, form.Edit2})
        QVERIFY(field->text().isEmpty());
    QCOMPARE(form.Label9->text(), u"字节数"_s);
    QCOMPARE(form.Label9->palette().color(QPalette::WindowText), ToQColor(clWindowText));
}

void TestForm::typingTheExampleKeyByKeyFollowsEveryText_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("colour");

    const QStringList empty{QString(), QString(), QString(), QString()};
    const QString red = u"#ff0000"_s;
    const QString black = u"#000000"_s;
    QTest::newRow("first 0") << u"0"_s << empty << u"数据格式不正确"_s << red;
    QTest::newRow("01") << u"01"_s << QStringList{u"FF"_s, u"255"_s, u"377"_s, u"1111 1111"_s}
                        << u"1 Bytes"_s << black;
    QTest::newRow("01 and a blank")
        << u"01 "_s << QStringList{u"FF"_s, u"255"_s, u"377"_s, u"1111 1111"_s} << u"1 Bytes"_s
        << black;
    QTest::newRow("01 A") << u"01 A"_s << empty << u"数据格式不正确"_s << red;
    QTest::newRow("01 A0") << u"01 A0"_s << QStringList{u"5F"_s, u"95"_s, u"137"_s, u"0101 1111"_s}
                           << u"2 Bytes"_s << black;
    QTest::newRow("the example") << u"01 A0 7C FF 02"_s
                                 << QStringList{u"E2"_s, u"226"_s, u"342"_s, u"1110 0010"_s}
                                 << u"5 Bytes"_s << black;
}

void TestForm::typingTheExampleKeyByKeyFollowsEveryText()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, fields);
    QFETCH(QString, status);
    QFETCH(QString, colour);

    TForm1 form;
    // Every text on the way counts: each row types a beginning of the example, and each of its
    // prefixes shows what the example's rows say of it.
    for (qsizetype i = 0; i < typed.size(); ++i) {
        QTest::keyClick(form.Edit1, typed[i].toLatin1());
        const QString prefix = typed.left(i + 1);
        QCOMPARE(form.Edit1->text(), prefix);
        const TPrefixRow expected = ExamplePrefixRows().at(static_cast<std::size_t>(i));
        QCOMPARE(ToQString(expected.typed), prefix);
        QCOMPARE(form.Edit16->text(), ToQString(expected.hex));
        QCOMPARE(Label9Colour(form), ColourName(expected.color));
    }
    QCOMPARE((QStringList{form.Edit16->text(), form.Edit10->text(), form.Edit8->text(),
                          form.Edit2->text()}),
             fields);
    QCOMPARE(form.Label9->text(), status);
    QCOMPARE(Label9Colour(form), colour);
}

void TestForm::label9KeepsItsRightEdgeInEveryState()
{
    TForm1 form;
    const QRect place = PlaceAt96("Label9");
    QCOMPARE(form.Label9->geometry().right(), place.right());
    for (const QString& text :
         {u"01"_s, u"01 0"_s, u"01 02"_s, u"0"_s, u"01 02 03 04 05 06 07 08 09 0A"_s}) {
        form.Edit1->setText(text);
        QCOMPARE(form.Label9->geometry().right(), place.right());
        QCOMPARE(form.Label9->width(), form.Label9->sizeHint().width());
        QCOMPARE(form.Label9->y(), place.y());
    }
}

void TestForm::everyStatusReadsInTheThemeAndFollowsItsChange_data()
{
    QTest::addColumn<QStringList>("theme");   // window, window text, link
    QTest::addColumn<QStringList>("painted"); // valid status, invalid status, hint, link

    QTest::newRow("Breeze Dark") << QStringList{u"#202326"_s, u"#fcfcfc"_s, u"#1d99f3"_s}
                                 << QStringList{u"#fcfcfc"_s, u"#ff0000"_s, u"#808080"_s,
                                                u"#1d99f3"_s};
    QTest::newRow("mid-dark") << QStringList{u"#3a3a40"_s, u"#e0e0d8"_s, u"#1d99f3"_s}
                              << QStringList{u"#e0e0d8"_s, u"#ff7b7b"_s, u"#a4a4a1"_s,
                                             u"#44abf5"_s};
    QTest::newRow("grey-blue") << QStringList{u"#4d5a6b"_s, u"#ffffff"_s, u"#a8d8ff"_s}
                               << QStringList{u"#ffffff"_s, u"#ffbfbf"_s, u"#ccd0d4"_s,
                                              u"#a8d8ff"_s};
}

void TestForm::everyStatusReadsInTheThemeAndFollowsItsChange()
{
    QFETCH(QStringList, theme);
    QFETCH(QStringList, painted);
    const QPalette light = QApplication::palette();
    TForm1 form;
    QPalette dark = light;
    dark.setColor(QPalette::Window, QColor(theme[0]));
    dark.setColor(QPalette::WindowText, QColor(theme[1]));
    dark.setColor(QPalette::Link, QColor(theme[2]));
    // QApplication tells its widgets of a new palette only while exec() runs; a test says it.
    const auto setThemeAtRunTime = [&form](const QPalette& palette) {
        QApplication::setPalette(palette);
        QEvent changed(QEvent::ApplicationPaletteChange);
        QApplication::sendEvent(&form, &changed);
    };
    setThemeAtRunTime(dark);

    const auto check = [](QLabel* label, const QString& expected) {
        QCOMPARE(label->palette().color(QPalette::WindowText).name(), expected);
    };
    form.Edit1->setText(u"01 A0 7C FF 02"_s);
    check(form.Label9, painted[0]);
    form.Edit1->setText(u"01 A0 7C FF 0"_s);
    check(form.Label9, painted[1]);
    check(form.Label6, painted[2]);
    check(form.Label8, painted[3]);

    // Back to the light theme while the window is open: the layout's own colours return.
    setThemeAtRunTime(light);
    QCOMPARE(Label9Colour(form), u"#ff0000"_s);
    QCOMPARE(form.Label6->palette().color(QPalette::WindowText).name(), u"#808080"_s);
    QCOMPARE(form.Label8->palette().color(QPalette::WindowText).name(), u"#0000ff"_s);
    form.Edit1->setText(u"01 A0 7C FF 02"_s);
    QCOMPARE(Label9Colour(form), u"#000000"_s);
}

void TestForm::emptyingTheFieldShowsTheFormatMessage()
{
    TForm1 form;
    QTest::keyClicks(form.Edit1, u"01 A0 7C FF 02"_s);
    QTest::keyClick(form.Edit1, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(form.Edit1, Qt::Key_Delete);
    QVERIFY(form.Edit1->text().isEmpty());
    for (QLineEdit* field : {form.Edit16, form.Edit10, form.Edit8, form.Edit2})
        QVERIFY(field->text().isEmpty());
    QCOMPARE(form.Label9->text(), u"数据格式不正确"_s);
    QCOMPARE(Label9Colour(form), u"#ff0000"_s);

    // A character that spoils the text, then deleted: back to the earlier values.
    QTest::keyClicks(form.Edit1, u"01 A0"_s);
    QTest::keyClick(form.Edit1, Qt::Key_X);
    QCOMPARE(form.Edit16->text(), QString());
    QTest::keyClick(form.Edit1, Qt::Key_Backspace);
    QCOMPARE(form.Edit16->text(), u"5F"_s);
    QCOMPARE(form.Label9->text(), u"2 Bytes"_s);
}

void TestForm::anUnchangedResultNeitherSignalsNorRepaints()
{
    TForm1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QTest::keyClicks(form.Edit1, u"01"_s);
    // A selection in a result field survives a recalculation that leaves its text as it was
    // (a field that loses the focus drops its selection, so Edit10 keeps it here).
    form.Edit10->setFocus();
    form.Edit10->setSelection(1, 2);
    DeliverPendingEvents();

    std::vector<std::unique_ptr<QSignalSpy>> spies;
    std::vector<std::unique_ptr<TPaintCounter>> paints;
    for (QLineEdit* field : {form.Edit16, form.Edit10, form.Edit8, form.Edit2}) {
        spies.push_back(std::make_unique<QSignalSpy>(field, &QLineEdit::textChanged));
        paints.push_back(std::make_unique<TPaintCounter>(field));
    }
    paints.push_back(std::make_unique<TPaintCounter>(form.Label9));

    QTest::keyClick(form.Edit1, Qt::Key_Space); // "01 ": the same byte, the same LRC
    DeliverPendingEvents();
    QCOMPARE(form.Edit10->selectedText(), u"55"_s);
    for (const auto& spy : spies)
        QCOMPARE(spy->count(), 0);
    for (const auto& paint : paints)
        QCOMPARE(paint->count, 0);

    // Real changes do reach them ("01 0" empties the field, "01 02" fills it), so the counters
    // above could have counted.
    QTest::keyClicks(form.Edit1, u"02"_s);
    QCOMPARE(spies.front()->count(), 2);
    QTRY_VERIFY(paints.back()->count > 0);
}

void TestForm::tabVisitsTheFieldsInOrderAndSelectsTheirText()
{
    TForm1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QTest::keyClicks(form.Edit1, u"01 A0 7C FF 02"_s);

    const QList<QLineEdit*> order{form.Edit16, form.Edit10, form.Edit8, form.Edit2, form.Edit1};
    for (QLineEdit* expected : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), expected);
        QCOMPARE(expected->selectedText(), expected->text());
    }
    for (auto it = order.rbegin() + 1; it != order.rend(); ++it) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), *it);
    }
    for (QWidget* other : form.findChildren<QWidget*>())
        if (!qobject_cast<QLineEdit*>(other))
            QVERIFY2(!(other->focusPolicy() & Qt::TabFocus), qPrintable(other->objectName()));
}

void TestForm::resultFieldsAreReadOnlyButCopyable()
{
    TForm1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    form.Edit1->setText(u"01 A0 7C FF 02"_s);
    for (QLineEdit* field : {form.Edit16, form.Edit10, form.Edit8, form.Edit2}) {
        QVERIFY(field->isReadOnly());
        QVERIFY(field->focusPolicy() & Qt::TabFocus);
        // The field's own base brush: styles that paint read-only fields grey (Windows' own)
        // honour a brush the field sets, and only that.
        for (const auto group : {QPalette::Active, QPalette::Inactive}) {
            QVERIFY(field->palette().isBrushSet(group, QPalette::Base));
            QCOMPARE(field->palette().color(group, QPalette::Base),
                     ToQColor(clWindow, form.Edit1->palette()));
        }
        field->setFocus();
        field->selectAll();
        QApplication::clipboard()->clear();
        QTest::keySequence(field, QKeySequence::Copy);
        QCOMPARE(QApplication::clipboard()->text(), field->text());
        QTest::keyClick(field, Qt::Key_9);
        QVERIFY(field->text() != u"9"_s);
    }
}

void TestForm::aLongPasteIsKeptWhole()
{
    TForm1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    const QString text = u"7F "_s.repeated(33'333) + u"7F"_s; // 100,001 characters
    QApplication::clipboard()->setText(text);
    QTest::keySequence(form.Edit1, QKeySequence::Paste);
    QCOMPARE(form.Edit1->text().size(), text.size());
    QCOMPARE(form.Label9->text(), u"33334 Bytes"_s);
    QCOMPARE(form.Edit16->text(), u"36"_s); // 33334 × 0x7F ≡ −54 (mod 256): the LRC is 54
}

void TestForm::aPasteKeepsEveryCharacterAsOneUndoableChange_data()
{
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<QString>("hex");
    QTest::addColumn<QString>("status");
    for (const TPasteRow& row : PasteRows())
        QTest::newRow(row.name.c_str())
            << ToQString(row.clipboard) << ToQString(row.hex) << ToQString(row.status);
}

void TestForm::aPasteKeepsEveryCharacterAsOneUndoableChange()
{
    QFETCH(QString, clipboard);
    TForm1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QTest::keyClicks(form.Edit1, u"01 "_s);
    QApplication::clipboard()->setText(clipboard);
    QTest::keySequence(form.Edit1, QKeySequence::Paste);
    QCOMPARE(form.Edit1->text(), u"01 "_s + clipboard);
    form.Edit1->setText(clipboard);
    QTEST(form.Edit16->text(), "hex");
    QTEST(form.Label9->text(), "status");

    form.Edit1->setText(u"01 "_s);
    form.Edit1->end(false);
    QTest::keySequence(form.Edit1, QKeySequence::Paste);
    QTest::keySequence(form.Edit1, QKeySequence::Undo);
    QCOMPARE(form.Edit1->text(), u"01 "_s);
}

void TestForm::hostilePastesGetTheirVerdict_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("status");

    const QString bad = u"数据格式不正确"_s;
    QTest::newRow("NUL between pairs") << u"01"_s + QChar(0) + u"02"_s << bad;
    QTest::newRow("lone surrogates") << QString(1000, QChar(0xD800)) << bad;
    QTest::newRow("a million blanks") << u"01"_s + QString(1'000'000, u' ') << bad;
    QTest::newRow("nothing but newlines") << u"\r\n"_s.repeated(100'000) << bad;
    QTest::newRow("1 MiB of valid text") << u"FF "_s.repeated(349'525) << u"349525 Bytes"_s;
    QTest::newRow("1 MiB, one bad character at the end")
        << u"FF "_s.repeated(349'525) + u'x' << bad;
}

void TestForm::hostilePastesGetTheirVerdict()
{
    QFETCH(QString, text);
    TForm1 form;
    QApplication::clipboard()->setText(text);
    form.Edit1->paste();
    QCOMPARE(form.Edit1->text().size(), text.size());
    QTEST(form.Label9->text(), "status");
    QCOMPARE(form.Label9->geometry().right(), PlaceAt96("Label9").right());
}

void TestForm::eachFieldIsAnnouncedWithItsLabel_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("name");
    QTest::newRow("Edit1") << u"Edit1"_s << u"需要校验的数据（Hex）"_s;
    QTest::newRow("Edit16") << u"Edit16"_s << u"十六进制"_s;
    QTest::newRow("Edit10") << u"Edit10"_s << u"十进制"_s;
    QTest::newRow("Edit8") << u"Edit8"_s << u"八进制"_s;
    QTest::newRow("Edit2") << u"Edit2"_s << u"二进制"_s;
}

void TestForm::eachFieldIsAnnouncedWithItsLabel()
{
    QFETCH(QString, field);
    TForm1 form;
    QAccessibleInterface* accessible =
        QAccessible::queryAccessibleInterface(form.findChild<QLineEdit*>(field));
    QVERIFY(accessible);
    QTEST(accessible->text(QAccessible::Name), "name");
}

void TestForm::theLinkOpensTheAddressOncePerClick_data()
{
    QTest::addColumn<QList<int>>("events"); // QEvent types, left button unless negated
    QTest::addColumn<bool>("releaseOutside");
    QTest::addColumn<int>("opened");

    const int press = QEvent::MouseButtonPress, release = QEvent::MouseButtonRelease,
              dbl = QEvent::MouseButtonDblClick;
    QTest::newRow("a click") << QList<int>{press, release} << false << 1;
    // Qt's delivery of a double click: press, release, double-click, release.
    QTest::newRow("a double click") << QList<int>{press, release, dbl, release} << false << 1;
    QTest::newRow("two separate clicks")
        << QList<int>{press, release, press, release} << false << 2;
    QTest::newRow("released elsewhere") << QList<int>{press, release} << true << 0;
    QTest::newRow("right button") << QList<int>{-press, -release} << false << 0;
}

void TestForm::theLinkOpensTheAddressOncePerClick()
{
    QFETCH(QList<int>, events);
    QFETCH(bool, releaseOutside);

    QList<QUrl> opened;
    const TUrlOpener previous = SetUrlOpener([&](const QUrl& url) {
        opened.append(url);
        return false; // a failure is silent
    });
    TForm1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const QPoint inside = form.Label8->rect().center();
    for (int type : events) {
        const Qt::MouseButton button = type < 0 ? Qt::RightButton : Qt::LeftButton;
        const auto eventType = static_cast<QEvent::Type>(std::abs(type));
        const QPoint at = eventType == QEvent::MouseButtonRelease && releaseOutside
                              ? inside + QPoint(0, 100)
                              : inside;
        const Qt::MouseButtons held =
            eventType == QEvent::MouseButtonRelease ? Qt::NoButton : button;
        QMouseEvent event(eventType, at, form.Label8->mapToGlobal(at), button, held,
                          Qt::NoModifier);
        QApplication::sendEvent(form.Label8, &event);
    }
    SetUrlOpener(previous);

    QTEST(int(opened.size()), "opened");
    for (const QUrl& url : opened)
        QCOMPARE(url.toString(), form.Label8->text());
    QVERIFY(form.isVisible());
}

void TestForm::aFailingHandlerShowsTheErrorBoxAndTheAppCarriesOn()
{
    SetApplicationTitle(QString::fromUtf16(ApplicationTitleText));
    TForm1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        buttons = box->standardButtons();
        box->button(QMessageBox::Ok)->click();
    });
    int runs = 0;
    RunHandler(&form, [&] {
        ++runs;
        throw ELrcError("the data-text matcher failed: no more memory");
    });
    QCOMPARE(title, QString::fromUtf16(ApplicationTitleText));
    QCOMPARE(text, u"the data-text matcher failed: no more memory."_s);
    QCOMPARE(icon, QMessageBox::Critical);
    QCOMPARE(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(runs, 1); // run once, not again after the error box

    // The window goes on working.
    QTest::keyClicks(form.Edit1, u"7E"_s);
    QCOMPARE(form.Edit16->text(), u"82"_s);
}

void TestForm::scalingMovesAndSizesEveryControlInProportion()
{
    // A window font whose text is 15 pixels high instead of 13: Edit16 at 90, 19, 120 x 21
    // in a window of 340 x 253.
    TForm1 form;
    form.setMinimumSize(0, 0);
    form.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    ScaleLayout(&form, 15, 13);
    QCOMPARE(form.Edit16->geometry(), QRect(104, 22, 138, 24)); // 103.85, 21.92, 138.46, 24.23
    QCOMPARE(form.size(), QSize(392, 292));                     // 392.31, 291.92
    // MulDiv rounds half away from zero.
    QCOMPARE(MulDivRounded(90, 15, 13), 104); // 103.85
    QCOMPARE(MulDivRounded(13, 3, 2), 20);    // 19.5
    QCOMPARE(MulDivRounded(-13, 3, 2), -20);
    QCOMPARE(MulDivRounded(340, 144, 96), 510);
    QCOMPARE(MulDivRounded(253, 144, 96), 380); // 379.5
}

QTEST_MAIN(TestForm)
#include "tst_form.moc"
