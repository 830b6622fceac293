#pragma once

#include <QToolBar>

#include <map>

class QAction;

// A toolbar whose buttons are known by index, separators included (they
// have indexes too, and do nothing).
class IndexedToolBar : public QToolBar
{
    Q_OBJECT
public:
    struct Button
    {
        int index;
        const char* toolTip; // null for a separator
        const char* iconName;
    };

    explicit IndexedToolBar(QWidget* parent = nullptr);

    // Adds the buttons in index order.
    void setButtons(const QList<Button>& buttons);
    QAction* button(int index) const;
    bool isSeparator(int index) const;
    // Shows a separator only between two shown buttons, so that hidden
    // buttons leave no pile of separators behind.
    void tidySeparators();
    // Flat look on or off; each call toggles, as the native style bit does.
    void toggleFlat();
    bool isFlat() const { return m_flat; }

signals:
    void ButtonClick(int index);

private:
    std::map<int, QAction*> m_buttons;
    bool m_flat = false;
};
