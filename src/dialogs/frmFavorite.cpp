#include "dialogs/frmFavorite.h"

#include "bookmarks/favorites.h"
#include "bookmarks/names.h"
#include "bookmarks/netscape.h"
#include "bookmarks/registrystores.h"
#include "controls/FlatButton.h"
#include "controls/olecolor.h"
#include "controls/twips.h"
#include "dialogs/frmFolder.h"
#include "dialogs/frmMessage.h"
#include "dialogs/modal.h"
#include "platform/files.h"
#include "store/cRegistry.h"
#include "store/keyvalue.h"

#include <QFile>
#include <QFileInfo>
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
        QString failure;
        try {
            failure = save();
        } catch (const std::exception& error) {
            failure = QString::fromUtf8(error.what());
        }
        if (!failure.isEmpty()) {
            // Nothing was stored: say why and let the user correct the entry or cancel.
            frmMessage message;
            message.setMessage(failure);
            message.Display(this);
            return;
        }
        m_answer = true;
    } else if (index == 1) {
        m_answer = false;
    } else {
        return;
    }
    done(0);
}

namespace {

QString couldNotSave(const QString& name, const QString& why = {})
{
    return QLatin1Char('\'') + name + QStringLiteral("' could not be saved") + (why.isEmpty() ? QString() : QStringLiteral(": ") + why)
           + QLatin1Char('.');
}

} // namespace

QString frmFavorite::save()
{
    const QString typed = txtFavorite[0]->text();
    const QString location = Names::address(txtFavorite[1]->text());
    const bool editing = m_state == Edit || m_state == EditWithKind;
    const auto sameEntry = [&](const QString& name) {
        return editing && name.compare(m_previousName, Qt::CaseInsensitive) == 0; // registry names ignore case
    };
    if (m_type == 0 || m_type == 1) {
        const bool compuServe = m_type == 0;
        const Names::Checked checked = Names::check(Names::Target::RegistryValue, typed);
        if (!checked.ok())
            return checked.refusal;
        m_savedName = checked.name;
        if (!sameEntry(m_savedName) && RegistryStores::hasFavorite(compuServe, m_savedName))
            return Names::existsInList(m_savedName, compuServe);
        const bool saved = editing ? RegistryStores::renameFavorite(compuServe, m_previousName, m_savedName, location)
                                   : RegistryStores::writeFavorite(compuServe, m_savedName, location);
        return saved ? QString() : couldNotSave(m_savedName);
    }
    if (m_type == 3)
        return writeShortcut(location);
    if (m_type == 4)
        return addBookmark(location);
    if (m_type >= 10) {
        const Names::Checked checked = Names::check(Names::Target::RegistryKey, typed);
        if (!checked.ok())
            return checked.refusal;
        m_savedName = checked.name;
        if (!sameEntry(m_savedName) && RegistryStores::hasUserEntry(m_folderName, m_savedName))
            return Names::existsInFolder(m_savedName, m_folderName);
        const bool saved = editing ? RegistryStores::renameUserEntry(m_folderName, m_previousName, m_savedName, location, BookmarkType())
                                   : RegistryStores::writeUserEntry(m_folderName, m_savedName, location, BookmarkType());
        return saved ? QString() : couldNotSave(m_savedName);
    }
    return {};
}

QString frmFavorite::writeShortcut(const QString& location)
{
    const Names::Checked checked = Names::check(Names::Target::ShortcutFile, txtFavorite[0]->text());
    if (!checked.ok())
        return checked.refusal;
    m_savedName = checked.name;
    const QString root = Favorites::folder();
    if (root.isEmpty())
        return couldNotSave(m_savedName, QStringLiteral("no Favorites folder is set"));
    const QString folder = m_currentFolder == QLatin1String("\\") ? QString() : m_currentFolder;
    const QString file = platform::nativePath(root + folder) + Favorites::fileNameOf(m_savedName) + QStringLiteral(".url");
    const bool editing = m_state == Edit || m_state == EditWithKind;
    const QString old = editing ? platform::nativePath(root + folder) + Favorites::fileNameOf(m_previousName) + QStringLiteral(".url")
                                : QString();
    const QFileInfo target(platform::diskPath(file));
    const bool sameFile = editing
                          && (old == file
                              || (target.exists() && target.canonicalFilePath() == QFileInfo(platform::diskPath(old)).canonicalFilePath()));
    if (!sameFile && (target.exists() || target.isSymLink()))
        return Names::existsInFolder(m_savedName, m_folderName);
    if (!Favorites::isInside(file) || (editing && !Favorites::isInside(old)))
        return couldNotSave(m_savedName, QStringLiteral("the folder lies outside your Favorites folder"));
    // The new file first, then the old one goes: a failure never loses the shortcut.
    QString why;
    if (!Favorites::WriteShortcut(file, withScheme(location), &why))
        return couldNotSave(m_savedName, why);
    if (editing && !sameFile)
        QFile::remove(platform::diskPath(old));
    return {};
}

QString frmFavorite::addBookmark(const QString& location)
{
    if (!m_bookmarks)
        return {};
    m_savedName = Names::check(Names::Target::NetscapeTitle, txtFavorite[0]->text()).name;
    NetscapeBookmarks::Records& records = m_bookmarks->records();
    if (m_state == Edit) {
        // Changed where it stands: its place, dates and the rest of its lines stay.
        if (const auto old = records.find(NetscapeBookmarks::recordKey(m_key))) {
            old->setTitle(m_savedName);
            old->setURL(withScheme(location));
            m_bookmarks->touch();
            return {};
        }
    }
    auto link = std::make_shared<cBookmark>();
    link->setTitle(m_savedName);
    link->setURL(withScheme(location));
    link->setKey(m_bookmarks->newKey());
    link->setParentFolder(keyvalue::leadingNumber(m_currentFolder));
    link->setBookmarkType(cBookmark::LinkType);
    records.Add(link, link->Key());
    m_bookmarks->invalidateIndex();
    return {};
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
