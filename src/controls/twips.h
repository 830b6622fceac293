#pragma once

#include <QRect>

class QWidget;

// Window geometry in twips: pixels = twips x logical DPI / 1440.
namespace Twips {

int toPixelsX(int twips);
int toPixelsY(int twips);
int fromPixelsX(int pixels);
int fromPixelsY(int pixels);

int left(const QWidget* widget);
int top(const QWidget* widget);
int width(const QWidget* widget);
int height(const QWidget* widget);
void setGeometry(QWidget* widget, int left, int top, int width, int height);
void setLeft(QWidget* widget, int left);
void setTop(QWidget* widget, int top);
void setWidth(QWidget* widget, int width);
void setHeight(QWidget* widget, int height);

} // namespace Twips
