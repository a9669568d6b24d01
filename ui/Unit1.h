#pragma once

#include "ui_Unit1.h"

#include "packaging/Product.h"
#include "ui/Colors.h"

#include <QWidget>

// The one window. Its controls come from the layout Unit1.ui and are reachable by name
// (Edit1, Label9, GroupBox1, ...); the window owns them for its whole life.
class TForm1 : public QWidget, public Ui::TForm1
{
    Q_OBJECT

public:
    explicit TForm1(QWidget* parent = nullptr);

    // Recalculates from Edit1's whole text and shows the four forms of the LRC with the byte
    // count, or empties the results and shows the format message in red.
    void Edit1Change(QObject* sender);
    // Opens the web page in the default browser.
    void Label8Click(QObject* sender);

    // The label's text colour as the layout names it.
    static void SetFontColor(QLabel* label, TColor color);

private:
    template <typename Signal, typename Sender>
    void Bind(Sender* sender, Signal signal, void (TForm1::*handler)(QObject*));
};
