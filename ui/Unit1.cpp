#include "ui/Unit1.h"

#include "engine/Lrc.h"
#include "engine/Render.h"
#include "ui/Layout.h"
#include "ui/Platform.h"
#include "ui/QtText.h"

#include <QFontMetrics>

using namespace Qt::StringLiterals;

namespace {

// The layout is drawn for this window font and this height of its text.
constexpr int DesignTextHeight = 13;

QFont WindowFont()
{
    // Tahoma where installed; elsewhere the font database's sans-serif substitute.
    QFont font(u"Tahoma"_s);
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    // Hex digits and blanks need no shaping; skipping it halves the relayout of a long line,
    // which Qt redoes on every keystroke. Scripts that do need shaping still get it.
    font.setStyleStrategy(QFont::PreferNoShaping);
    return font;
}

void SetCaption(QLabel* label, const QString& caption)
{
    if (label->text() == caption)
        return;
    label->setText(caption);
    AutoSizeLabel(label);
}

void SetText(QLineEdit* edit, const QString& text)
{
    // setText with an equal text still moves the cursor to the end and clears the undo history.
    if (edit->text() != text)
        edit->setText(text);
}

} // namespace

TForm1::TForm1(QWidget* parent) : QWidget(parent)
{
    setFont(WindowFont());
    setupUi(this);
    Label8->setText(QString::fromUtf16(WebPageAddress));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    // Text colours the layout gives as TColor values.
    for (QLabel* label : findChildren<QLabel*>()) {
        const QVariant color = label->property("fontColor");
        if (color.isValid())
            SetFontColor(label, static_cast<TColor>(color.toUInt()));
    }
    // Read-only result fields keep the ordinary field background, as the editable one has.
    for (QLineEdit* edit : {Edit16, Edit10, Edit8, Edit2}) {
        QPalette palette = edit->palette();
        palette.setColor(QPalette::Base, ToQColor(clWindow, Edit1->palette()));
        edit->setPalette(palette);
    }

    // Device pixels already follow the screen's density; a window font whose text is not
    // 13 pixels high scales positions and sizes in proportion.
    const int textHeight = QFontMetrics(font()).height();
    if (textHeight != DesignTextHeight)
        ScaleLayout(this, textHeight, DesignTextHeight);
    for (QLabel* label : findChildren<QLabel*>())
        AutoSizeLabel(label);
    setFixedSize(size());

    Edit1->setFocus();
    Bind(Edit1, &QLineEdit::textChanged, &TForm1::Edit1Change);
    Bind(Label8, &TLinkLabel::clicked, &TForm1::Label8Click);
}

template <typename Signal, typename Sender>
void TForm1::Bind(Sender* sender, Signal signal, void (TForm1::*handler)(QObject*))
{
    connect(sender, signal, this, [this, sender, handler] {
        RunHandler(this, [this, sender, handler] { (this->*handler)(sender); });
    });
}

void TForm1::SetFontColor(QLabel* label, TColor color)
{
    const QColor wanted = ToQColor(color, label->palette());
    if (label->palette().color(QPalette::WindowText) == wanted)
        return;
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, wanted);
    label->setPalette(palette);
}

void TForm1::Edit1Change(QObject* /*sender*/)
{
    const TLrcResult result = CalculateLrc(ToU16View(Edit1->text()));
    if (!result.Valid) {
        for (QLineEdit* field : {Edit16, Edit10, Edit8, Edit2})
            SetText(field, QString());
        SetCaption(Label9, u"数据格式不正确"_s);
        SetFontColor(Label9, clRed);
        return;
    }
    const TLrcTexts texts = RenderLrc(result);
    SetText(Edit16, ToQString(texts.Hex));
    SetText(Edit10, ToQString(texts.Decimal));
    SetText(Edit8, ToQString(texts.Octal));
    SetText(Edit2, ToQString(texts.Binary));
    SetCaption(Label9, ToQString(texts.ByteCountText));
    SetFontColor(Label9, clBlack);
}

void TForm1::Label8Click(QObject* /*sender*/)
{
    OpenAddress(QString::fromUtf16(WebPageAddress));
}
