#include "controls/twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace Twips {

namespace {

constexpr double kTwipsPerInch = 1440.0;

QScreen* screen()
{
    return QGuiApplication::primaryScreen();
}

double dpiX()
{
    QScreen* s = screen();
    return s ? s->logicalDotsPerInchX() : 96.0;
}

double dpiY()
{
    QScreen* s = screen();
    return s ? s->logicalDotsPerInchY() : 96.0;
}

} // namespace

int toPixelsX(int twips)
{
    return int(std::lround(twips * dpiX() / kTwipsPerInch));
}

int toPixelsY(int twips)
{
    return int(std::lround(twips * dpiY() / kTwipsPerInch));
}

int fromPixelsX(int pixels)
{
    return int(std::lround(pixels * kTwipsPerInch / dpiX()));
}

int fromPixelsY(int pixels)
{
    return int(std::lround(pixels * kTwipsPerInch / dpiY()));
}

int left(const QWidget* widget)
{
    return fromPixelsX(widget->x());
}

int top(const QWidget* widget)
{
    return fromPixelsY(widget->y());
}

int width(const QWidget* widget)
{
    return fromPixelsX(widget->width());
}

int height(const QWidget* widget)
{
    return fromPixelsY(widget->height());
}

void setGeometry(QWidget* widget, int left, int top, int width, int height)
{
    widget->setGeometry(toPixelsX(left), toPixelsY(top), std::max(0, toPixelsX(width)), std::max(0, toPixelsY(height)));
}

void setLeft(QWidget* widget, int left)
{
    widget->move(toPixelsX(left), widget->y());
}

void setTop(QWidget* widget, int top)
{
    widget->move(widget->x(), toPixelsY(top));
}

void setWidth(QWidget* widget, int width)
{
    widget->resize(std::max(0, toPixelsX(width)), widget->height());
}

void setHeight(QWidget* widget, int height)
{
    widget->resize(widget->width(), std::max(0, toPixelsY(height)));
}

} // namespace Twips
