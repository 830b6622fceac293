#pragma once

#include "bookmarks/stores.h"

#include <QDialog>

#include <array>

class FlatButtonArray;
class QLineEdit;
class QRadioButton;

// The dialog in which one favorite is entered or changed: a site name, a site
// location and, for user-folder entries, the kind of content. On OK it has
// the store the caller names add or change the entry, and answers true; what
// the store refuses is told, and the user may correct it or cancel.
class frmFavorite : public QDialog
{
    Q_OBJECT
public:
    enum State
    {
        Add = 0,
        Edit = 1,
        AddWithKind = 2,
        EditWithKind = 3
    };

    frmFavorite();

    // `place` is the folder added to, or the entry edited. `origin`, an entry
    // of the same store, is what the new entry is a copy of (pasted).
    bool Display(Stores::Store& store,
                 const Stores::Place& place,
                 int state,
                 QWidget* parent,
                 const QString& name = {},
                 const QString& site = {},
                 bool displayForumOption = false,
                 const Stores::Place* origin = nullptr);

    // The name as it was stored, after the store's check; valid once Display answered true.
    QString SavedName() const { return m_savedName; }

    int BookmarkType() const;
    void setBookmarkType(int kind);

    std::array<QLineEdit*, 2> txtFavorite{};
    std::array<QRadioButton*, 3> optFavorite{};
    QWidget* picFavorite = nullptr;
    FlatButtonArray* lbbFavorite = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void clicked(int index);
    // Why nothing was stored, or empty when the entry was written.
    QString save();

    Stores::Store* m_store = nullptr;
    Stores::Place m_place;
    std::optional<Stores::Place> m_origin;
    int m_state = Add;
    QString m_savedName;
    bool m_answer = false;
};
