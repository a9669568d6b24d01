#include "ui/Unit1.h"

#include "product/Product.h"
#include "ui/Layout.h"
#include "ui/Platform.h"
#include "ui/QtText.h"

#include <QEvent>
#include <QFontMetrics>

using namespace Qt::StringLiterals;

#include <limits>
#include <map>
#include <vector>

namespace {

QFont WindowFont()
{
    // Tahoma where installed; elsewhere the font database's sans-serif substitute.
    QFont font(ToQString(Form1Layout.FontName));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(-Form1Layout.FontHeight);
    // Hex digits and blanks need no shaping; skipping it halves the relayout of a long line,
    // which Qt redoes on every keystroke. Scripts that do need shaping still get it.
    font.setStyleStrategy(QFont::PreferNoShaping);
    return font;
}

QString Name(std::string_view name)
{
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
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
    // setText with an equal text still moves the cursor to the end, drops the selection and
    // clears the undo history.
    if (edit->text() != text)
        edit->setText(text);
}

} // namespace

TForm1::TForm1(QWidget* parent, int textHeight) : QWidget(parent)
{
    setObjectName(Name(Form1Layout.Name));
    setWindowTitle(ToQString(Form1Layout.Caption));
    setFont(WindowFont());
    resize(Form1Layout.ClientWidth, Form1Layout.ClientHeight);
    BuildControls();
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    // Device pixels already follow the screen's density; a window font whose text is not
    // as high as the layout's scales positions and sizes in proportion.
    if (textHeight <= 0)
        textHeight = QFontMetrics(font()).height();
    if (textHeight != Form1Layout.DesignTextHeight)
        ScaleLayout(this, textHeight, Form1Layout.DesignTextHeight);
    for (QLabel* label : findChildren<QLabel*>())
        AutoSizeLabel(label);
    setFixedSize(size());

    DescribeForAssistiveTechnology();
    Edit1->setFocus();
    Bind(Edit1, &QLineEdit::textChanged, &TForm1::Edit1Change);
    Bind(Label8, &TLinkLabel::clicked, &TForm1::Label8Click);
}

void TForm1::BuildControls()
{
    std::map<std::string_view, QWidget*> built{{Form1Layout.Name, this}};
    std::vector<std::pair<int, QLineEdit*>> tabStops;
    for (const TControlLayout& entry : Form1Controls()) {
        QWidget* parent = built.at(entry.Parent);
        const QString caption = ToQString(entry.Caption);
        QWidget* widget = nullptr;
        switch (entry.Kind) {
        case TControlKind::Label:
        case TControlKind::LinkLabel: {
            QLabel* label = entry.Kind == TControlKind::LinkLabel ? new TLinkLabel(caption, parent)
                                                                  : new QLabel(caption, parent);
            if (entry.RightAligned)
                label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (entry.FontColor != clWindowText)
                SetFontColor(label, entry.FontColor);
            widget = label;
            break;
        }
        case TControlKind::Edit:
        case TControlKind::ReadOnlyEdit: {
            auto* edit = new QLineEdit(caption, parent);
            if (entry.Kind == TControlKind::ReadOnlyEdit) {
                edit->setReadOnly(true);
                // The ordinary field background, set as the field's own brush: styles that
                // paint read-only fields grey honour that, and only that.
                QPalette palette = edit->palette();
                palette.setColor(QPalette::Base, ToQColor(clWindow, palette));
                edit->setPalette(palette);
                // Qt reports such fields as editable as well as read-only; say plainly that
                // they are not.
                edit->setAccessibleDescription(u"只读"_s);
            } else {
                edit->setMaxLength(std::numeric_limits<int>::max()); // no length limit
            }
            tabStops.emplace_back(entry.TabOrder, edit);
            widget = edit;
            break;
        }
        case TControlKind::GroupBox:
            widget = new QGroupBox(caption, parent);
            break;
        }
        widget->setObjectName(Name(entry.Name));
        widget->setGeometry(entry.Left, entry.Top, entry.Width, entry.Height);
        built[entry.Name] = widget;
    }
    // Captions name their fields, for the keyboard and for assistive technology.
    for (const TControlLayout& entry : Form1Controls())
        if (!entry.LabelFor.empty())
            static_cast<QLabel*>(built.at(entry.Name))->setBuddy(built.at(entry.LabelFor));
    std::sort(tabStops.begin(), tabStops.end());
    for (std::size_t i = 1; i < tabStops.size(); ++i)
        setTabOrder(tabStops[i - 1].second, tabStops[i].second);

#define SUMVANE_BIND_CONTROL(name)                                                                 \
    name = qobject_cast<decltype(name)>(built.at(#name));                                          \
    Q_ASSERT(name);
    SUMVANE_FORM1_CONTROLS(SUMVANE_BIND_CONTROL)
#undef SUMVANE_BIND_CONTROL
}

void TForm1::DescribeForAssistiveTechnology()
{
    // The example under Edit1 tells the expected format; the status joins it as it settles.
    m_announcer = new TStatusAnnouncer(Edit1, Label6->text(), m_recalculation, this);
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
    const auto [entry, added] = m_fontColors.try_emplace(label, color);
    if (!added && entry->second == color)
        return;
    entry->second = color;
    PaintFontColor(label);
}

TColor TForm1::FontColor(QLabel* label) const
{
    const auto found = m_fontColors.find(label);
    return found == m_fontColors.end() ? clWindowText : found->second;
}

void TForm1::PaintFontColor(QLabel* label)
{
    // The labels stand on the window itself: its palette is the theme they are read against.
    const QColor painted = PaintedColor(FontColor(label), palette());
    if (label->palette().color(QPalette::WindowText) == painted)
        return;
    QPalette own = label->palette();
    own.setColor(QPalette::WindowText, painted);
    label->setPalette(own);
}

void TForm1::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange)
        for (const auto& [label, color] : m_fontColors)
            PaintFontColor(label);
    QWidget::changeEvent(event);
}

void TForm1::Edit1Change(QObject* /*sender*/)
{
    const TMilliseconds now = TStatusAnnouncer::Now();
    const TDisplay display = m_recalculation.Change(ToU16View(Edit1->text()), now);
    SetText(Edit16, ToQString(display.Edit16));
    SetText(Edit10, ToQString(display.Edit10));
    SetText(Edit8, ToQString(display.Edit8));
    SetText(Edit2, ToQString(display.Edit2));
    SetCaption(Label9, ToQString(display.Label9Caption));
    SetFontColor(Label9, display.Label9Color);
    m_announcer->SettleAt(*m_recalculation.SettlesAt(), now);
}

void TForm1::Label8Click(QObject* /*sender*/)
{
    OpenAddress(QString::fromUtf16(WebPageAddress));
}
