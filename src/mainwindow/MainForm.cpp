#include "mainwindow/MainForm.h"

#include "controls/twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>

int cMainForm::Left()
{
    return Twips::fromPixelsX(window()->frameGeometry().x());
}

int cMainForm::Top()
{
    return Twips::fromPixelsY(window()->frameGeometry().y());
}

int cMainForm::Width()
{
    return Twips::fromPixelsX(window()->frameGeometry().width());
}

int cMainForm::Height()
{
    return Twips::fromPixelsY(window()->frameGeometry().height());
}

int cMainForm::ScaleWidth()
{
    return Twips::fromPixelsX(window()->width());
}

int cMainForm::ScaleHeight()
{
    return Twips::fromPixelsY(window()->height());
}

void cMainForm::Move(int left, int top, int width, int height)
{
    QWidget* w = window();
    const QRect frame = w->frameGeometry();
    const QSize extra(frame.width() - w->width(), frame.height() - w->height());
    const QSize outer(Twips::toPixelsX(width), Twips::toPixelsY(height));
    w->move(Twips::toPixelsX(left), Twips::toPixelsY(top)); // move() places the frame
    w->resize(std::max(1, outer.width() - extra.width()), std::max(1, outer.height() - extra.height()));
    if (extra.isNull())
        m_pendingOuterPixels = outer; // corrected once the frame is known
}

void cMainForm::setWidth(int width)
{
    Move(Left(), Top(), width, Height());
}

void cMainForm::setHeight(int height)
{
    Move(Left(), Top(), Width(), height);
}

int cMainForm::WindowState()
{
    const Qt::WindowStates state = window()->windowState();
    if (state & Qt::WindowMinimized)
        return 1;
    if (state & (Qt::WindowMaximized | Qt::WindowFullScreen))
        return 2;
    return 0;
}

void cMainForm::setTopmost(bool topmost)
{
    QWidget* w = window();
    if (w->testAttribute(Qt::WA_WState_Created) && w->windowHandle()) {
        w->windowHandle()->setFlag(Qt::WindowStaysOnTopHint, topmost);
    } else {
        w->setWindowFlag(Qt::WindowStaysOnTopHint, topmost);
    }
}

QRect cMainForm::screenTwips()
{
    QScreen* screen = window()->screen() ? window()->screen() : QGuiApplication::primaryScreen();
    const QRect pixels = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    return QRect(Twips::fromPixelsX(pixels.x()),
                 Twips::fromPixelsY(pixels.y()),
                 Twips::fromPixelsX(pixels.width()),
                 Twips::fromPixelsY(pixels.height()));
}
