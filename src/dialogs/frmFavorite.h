#pragma once

#include "bookmarks/stores.h"

#include <QDialog>

#include <array>

class FlatButtonArray;
class QLineEdit;
class QRadioButton;

// The dialog in which one favorite is entered or changed: a site name, a site
// location and, for user-folder entries, the kind of content. On OK it has
// the store the caller names add or change the entry and save it, and
// answers true; what the store refuses or cannot save is told, and the user
// keeps what was typed to correct it, try again or cancel.
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
    // A failed save read the store again from disk: the tree shows it anew.
    bool StoreReloaded() const { return m_storeReloaded; }

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
    bool m_storeReloaded = false;
    // The store changed on disk meanwhile: the place given may name another
    // folder now, so the dialog ends once the user was told.
    bool m_placeGone = false;
};
