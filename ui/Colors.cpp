#include "ui/Colors.h"

QColor ToQColor(TColor color, const QPalette& palette)
{
    switch (color) {
    case clWindow: return palette.color(QPalette::Base);
    case clWindowText: return palette.color(QPalette::WindowText);
    case clBtnFace: return palette.color(QPalette::Window);
    default: break;
    }
    const std::uint32_t bgr = color;
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}
