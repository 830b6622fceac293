#pragma once

#include <QDialog>

#include <array>

class FlatButtonArray;
class NetscapeBookmarks;
class QLineEdit;
class QRadioButton;

// The dialog in which one favorite is entered or changed: a site name, a site
// location and, for user-folder entries, the kind of content. On OK it writes
// the entry into the store the caller names and answers true.
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

    // `type` is the target's source number (0, 1, 3, 4, or 10 and up for a
    // user folder); `currentFolder` the IE folder path with its trailing "\"
    // or the Netscape folder number; `key` the list key of the entry edited.
    bool Display(int type, const QString& folderName, int state, QWidget* parent, const QString& name,
                 const QString& site, bool displayForumOption, const QString& currentFolder = {},
                 NetscapeBookmarks* bookmarks = nullptr, const QString& key = {}, int bookmarkType = -1);

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
    // Each answers why nothing was stored, or empty when the entry was written.
    QString save();
    QString writeShortcut(const QString& location);
    QString addBookmark(const QString& location);

    int m_type = 0;
    int m_state = Add;
    QString m_previousName;
    QString m_savedName;
    QString m_folderName;
    QString m_key;
    QString m_currentFolder;
    NetscapeBookmarks* m_bookmarks = nullptr;
    bool m_answer = false;
};
