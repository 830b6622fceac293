#pragma once

#include <QRect>
#include <QString>

#include <array>
#include <map>

class FlatButtonArray;
class IndexedToolBar;
class KeyedListView;
class KeyedTreeView;
class QComboBox;
class QLabel;
class QStatusBar;
class QTimer;
class QWidget;
class TrayIcon;

// What the controller sees of the main form: its controls, by the names and
// indexes the program uses, and the window's geometry in twips.
class cMainForm
{
public:
    virtual ~cMainForm() = default;

    virtual QWidget* window() = 0;
    // The first access to the form loads it, which raises its load event once.
    virtual void Load() = 0;
    virtual bool IsLoaded() const = 0;
    // Unloads the form: its unload event runs and the window closes.
    virtual void Unload() = 0;

    // Outer geometry (frame included) and inner size, in twips.
    int Left();
    int Top();
    int Width();
    int Height();
    int ScaleWidth();
    int ScaleHeight();
    void Move(int left, int top, int width, int height);
    void setWidth(int width);
    void setHeight(int height);
    // 0 normal, 1 minimised, 2 maximised.
    int WindowState();
    void setTopmost(bool topmost);
    QRect screenTwips();

    KeyedTreeView* tvMain = nullptr;
    KeyedListView* lvMain = nullptr;
    std::array<QComboBox*, 2> cboMain{};
    FlatButtonArray* lbbMain = nullptr;
    IndexedToolBar* tlbMain = nullptr;
    QStatusBar* stbMain = nullptr;
    std::map<int, QWidget*> picMain;
    std::map<int, QLabel*> lblMain;
    std::array<QTimer*, 2> tmrMain{};
    TrayIcon* cTrayIcon1 = nullptr;
    int HelpContextID = 0;

protected:
    // Size the window should have once the window manager has framed it.
    QSize m_pendingOuterPixels;
};
