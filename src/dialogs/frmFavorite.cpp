#include "dialogs/frmFavorite.h"

#include "bookmarks/favorites.h"
#include "bookmarks/netscape.h"
#include "bookmarks/registrystores.h"
#include "controls/FlatButton.h"
#include "controls/olecolor.h"
#include "controls/twips.h"
#include "dialogs/frmFolder.h"
#include "dialogs/modal.h"
#include "platform/files.h"
#include "store/cRegistry.h"
#include "store/keyvalue.h"

#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRadioButton>

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 2700;

QString withScheme(const QString& location)
{
    return location.contains(QStringLiteral("//")) ? location : QStringLiteral("http://") + location;
}

} // namespace

QString storeSafeName(const QString& name)
{
    QString safe = name;
    safe.replace(QLatin1Char('/'), QChar(0x2215)).replace(QLatin1Char('\\'), QChar(0x29F5));
    return safe;
}

frmFavorite::frmFavorite()
    : QDialog(nullptr, Qt::Dialog | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("frmFavorite"));
    setWindowTitle(QStringLiteral("Favorite"));
    setModal(true);
    setMouseTracking(true);
    Twips::setGeometry(this, 0, 0, kWidth, kHeight);
    setFixedSize(size());
    lbbFavorite = new FlatButtonArray(QStringLiteral("lbbFavorite"), this);
    const char* captions[] = {"OK", "Cancel", "Site Name", "Site Location"};
    const int geometry[][3] = {{kWidth - 2100, 2220, 900}, {kWidth - 1050, 2220, 900}, {150, 120, 1500}, {150, 720, 1500}};
    for (int index = 0; index < 4; ++index) {
        auto* button = new FlatButton(QLatin1String(captions[index]), this);
        Twips::setGeometry(button, geometry[index][0], geometry[index][1], geometry[index][2], 300);
        button->setEnabled(index < 2);
        lbbFavorite->add(index, button);
    }
    for (int index = 0; index < 2; ++index) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("txtFavorite_%1").arg(index));
        Twips::setGeometry(edit, 150, 420 + index * 600, kWidth - 300, 330);
        txtFavorite[size_t(index)] = edit;
    }
    picFavorite = new QWidget(this);
    picFavorite->setObjectName(QStringLiteral("picFavorite_0"));
    Twips::setGeometry(picFavorite, 150, 1500, kWidth - 300, 600);
    const char* kinds[] = {"Web Content", "Yahoo Search", "CompuServe Web Forum"};
    for (int index = 0; index < 3; ++index) {
        auto* option = new QRadioButton(QLatin1String(kinds[index]), picFavorite);
        option->setObjectName(QStringLiteral("optFavorite_%1").arg(index));
        Twips::setGeometry(option, index * 1900, 120, 1850, 330);
        optFavorite[size_t(index)] = option;
    }
    connect(lbbFavorite, &FlatButtonArray::MouseClick, this, &frmFavorite::clicked);
    connect(lbbFavorite, &FlatButtonArray::MouseMove, this,
            [this](int index) { lbbFavorite->highlight(index, OleColor::Highlight, OleColor::Window); });
}

int frmFavorite::BookmarkType() const
{
    for (int index = 0; index < 3; ++index) {
        if (optFavorite[size_t(index)]->isChecked())
            return index;
    }
    return 0;
}

void frmFavorite::setBookmarkType(int kind)
{
    if (kind >= 0 && kind < 3)
        optFavorite[size_t(kind)]->setChecked(true);
}

bool frmFavorite::Display(int type, const QString& folderName, int state, QWidget* parent, const QString& name,
                          const QString& site, bool displayForumOption, const QString& currentFolder,
                          NetscapeBookmarks* bookmarks, const QString& key, int bookmarkType)
{
    if (bookmarkType >= 0)
        setBookmarkType(bookmarkType);
    m_type = type;
    m_folderName = folderName;
    m_state = state;
    m_previousName = name;
    m_key = key;
    m_currentFolder = (type == 3 || type == 4) ? currentFolder : QString();
    m_bookmarks = bookmarks;
    m_answer = false;
    centreOn(this, parent);
    txtFavorite[0]->setText(name);
    txtFavorite[1]->setText(site);
    const bool kindChoice = state == AddWithKind || state == EditWithKind;
    picFavorite->setVisible(kindChoice);
    optFavorite[2]->setVisible(displayForumOption);
    if (kindChoice && !optFavorite[0]->isChecked() && !optFavorite[1]->isChecked() && !optFavorite[2]->isChecked())
        optFavorite[0]->setChecked(true);
    Modal::run(*this);
    return m_answer;
}

void frmFavorite::clicked(int index)
{
    if (index == 0) {
        try {
            save();
        } catch (...) {
            // the store's writer stops where it failed; the dialog still answers
        }
        m_answer = true;
    } else if (index == 1) {
        m_answer = false;
    } else {
        return;
    }
    done(0);
}

void frmFavorite::save()
{
    const QString name = txtFavorite[0]->text();
    const QString location = txtFavorite[1]->text();
    if (m_type == 0 || m_type == 1) {
        cRegistry registry = userKey(m_type == 0 ? RegistryStores::compuServeFavoritesKey() : RegistryStores::webFavoritesKey());
        registry.setKeyType(cRegistry::REG_SZ);
        if (m_state == Edit) {
            registry.setValueName(m_previousName);
            registry.DeleteValue();
        }
        registry.setValueName(name);
        registry.setKeyValue(location);
    } else if (m_type == 3) {
        writeShortcut();
    } else if (m_type == 4) {
        addBookmark();
    } else if (m_type >= 10) {
        if (m_state == Edit || m_state == EditWithKind) {
            cRegistry old = userKey(RegistryStores::userEntryKey(m_folderName, m_previousName) + QLatin1Char('\\'));
            old.DeleteKey();
        }
        cRegistry entry = userKey(RegistryStores::userEntryKey(m_folderName, storeSafeName(name)));
        entry.setKeyType(cRegistry::REG_SZ);
        entry.setValueName(QStringLiteral("URL"));
        entry.setKeyValue(location);
        entry.setKeyType(cRegistry::REG_DWORD);
        entry.setValueName(QStringLiteral("Type"));
        entry.setKeyValue(BookmarkType());
    }
}

void frmFavorite::writeShortcut()
{
    const QString root = Favorites::folder();
    if (root.isEmpty())
        return;
    const QString folder = m_currentFolder == QLatin1String("\\") ? QString() : m_currentFolder;
    const QString file = root + folder + storeSafeName(txtFavorite[0]->text()) + QStringLiteral(".url");
    const QString old = root + folder + storeSafeName(m_previousName) + QStringLiteral(".url");
    // The new file first, then the old one goes: a failure never loses the shortcut.
    if (!Favorites::WriteShortcut(file, withScheme(txtFavorite[1]->text())))
        return;
    if (!m_previousName.isEmpty() && platform::nativePath(old) != platform::nativePath(file))
        QFile::remove(platform::nativePath(old));
}

void frmFavorite::addBookmark()
{
    if (!m_bookmarks)
        return;
    NetscapeBookmarks::Records& records = m_bookmarks->records();
    if (m_state == Edit) {
        if (const auto old = records.find(NetscapeBookmarks::recordKey(m_key)))
            old->setBookmarkType(cBookmark::RetiredLinkType);
    }
    auto link = std::make_shared<cBookmark>();
    link->setTitle(txtFavorite[0]->text());
    link->setURL(withScheme(txtFavorite[1]->text()));
    link->setKey(m_bookmarks->newKey());
    link->setParentFolder(keyvalue::leadingNumber(m_currentFolder));
    link->setBookmarkType(cBookmark::LinkType);
    records.Add(link, link->Key());
    m_bookmarks->invalidateIndex();
}

void frmFavorite::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        clicked(0);
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmFavorite::mouseMoveEvent(QMouseEvent* event)
{
    QDialog::mouseMoveEvent(event);
    lbbFavorite->highlight(-1, OleColor::Highlight, OleColor::Highlight);
}

void frmFavorite::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    txtFavorite[0]->setFocus();
}
