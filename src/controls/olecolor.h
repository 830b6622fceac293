#pragma once

#include <QColor>

// Colours as 0x00BBGGRR; values with the top bit set name system colours.
namespace OleColor {

inline constexpr quint32 Highlight = 0x8000000D;
inline constexpr quint32 Window = 0x80000005;
inline constexpr quint32 WindowText = 0x80000008;
inline constexpr quint32 ButtonText = 0x80000012;
inline constexpr quint32 Green = 0x8000;
inline constexpr quint32 Yellow = 0xFFFF;
inline constexpr quint32 Red = 0xFF;

// System colours come from the application palette.
QColor toColor(quint32 color);

} // namespace OleColor
