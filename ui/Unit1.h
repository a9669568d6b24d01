#pragma once

#include "form/FormLayout.h"
#include "form/Recalculation.h"
#include "ui/PaletteColors.h"
#include "ui/TLinkLabel.h"
#include "ui/TStatusAnnouncer.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

#include <map>

// The widget each kind of control in the layout is built as.
template <TControlKind> struct TWidgetOf;
template <> struct TWidgetOf<TControlKind::Label>
{
    using Type = QLabel;
};
template <> struct TWidgetOf<TControlKind::LinkLabel>
{
    using Type = TLinkLabel;
};
template <> struct TWidgetOf<TControlKind::Edit>
{
    using Type = QLineEdit;
};
template <> struct TWidgetOf<TControlKind::ReadOnlyEdit>
{
    using Type = QLineEdit;
};
template <> struct TWidgetOf<TControlKind::GroupBox>
{
    using Type = QGroupBox;
};

// The one window. Its controls are built from the shared layout table and are reachable by
// name (Edit1, Label9, GroupBox1, ...); the window owns them for its whole life.
class TForm1 : public QWidget
{
    Q_OBJECT

public:
    // The controls are laid out for a text height: the window font's, as it measures, or
    // textHeight where one is given (the layout a font of that height would get).
    explicit TForm1(QWidget* parent = nullptr, int textHeight = 0);

    // Recalculates from Edit1's whole text and shows the four forms of the LRC with the byte
    // count, or empties the results and shows the format message in red.
    void Edit1Change(QObject* sender);
    // Opens the web page in the default browser.
    void Label8Click(QObject* sender);

    // The label's font colour as the layout and the handlers name it. What is painted is that
    // colour where it reads on the theme's window colour, else a readable one of the same
    // meaning, and it follows the theme when that changes.
    void SetFontColor(QLabel* label, TColor color);
    TColor FontColor(QLabel* label) const;

#define SUMVANE_DECLARE_CONTROL(name) TWidgetOf<FindControl(#name)->Kind>::Type* name = nullptr;
    SUMVANE_FORM1_CONTROLS(SUMVANE_DECLARE_CONTROL)
#undef SUMVANE_DECLARE_CONTROL

protected:
    void changeEvent(QEvent* event) override;

private:
    TRecalculation m_recalculation;
    TStatusAnnouncer* m_announcer = nullptr;
    std::map<QLabel*, TColor> m_fontColors;
    void PaintFontColor(QLabel* label);
    void BuildControls();
    void DescribeForAssistiveTechnology();
    template <typename Signal, typename Sender>
    void Bind(Sender* sender, Signal signal, void (TForm1::*handler)(QObject*));
};
