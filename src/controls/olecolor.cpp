#include "controls/olecolor.h"

#include <QGuiApplication>
#include <QPalette>

namespace OleColor {

QColor toColor(quint32 color)
{
    if (color & 0x80000000u) {
        const QPalette palette = QGuiApplication::palette();
        switch (color) {
        case Highlight:
            return palette.color(QPalette::Highlight);
        case Window:
            return palette.color(QPalette::Base);
        case ButtonText:
            return palette.color(QPalette::ButtonText);
        default:
            return palette.color(QPalette::WindowText);
        }
    }
    return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

} // namespace OleColor
