#include "controls/ImageList.h"

#include <QApplication>
#include <QHash>
#include <QPainter>
#include <QPixmap>
#include <QStandardPaths>
#include <QStyle>

namespace ImageList {

namespace {

QIcon themed(const char* name, QStyle::StandardPixmap fallback)
{
    return QIcon::fromTheme(QLatin1String(name), QApplication::style()->standardIcon(fallback));
}

// A hidden folder shows its folder image faded.
QIcon faded(const QIcon& icon)
{
    QPixmap source = icon.pixmap(16, 16);
    QPixmap out(source.size());
    out.fill(Qt::transparent);
    QPainter painter(&out);
    painter.setOpacity(0.45);
    painter.drawPixmap(0, 0, source);
    return QIcon(out);
}

QIcon makeTreeImage(int index)
{
    switch (index) {
    case 1:
        return themed("folder-open", QStyle::SP_DirOpenIcon);
    case 2:
        return themed("folder", QStyle::SP_DirClosedIcon);
    case 3:
        return themed("user-bookmarks", QStyle::SP_DirHomeIcon);
    case 4:
        return themed("folder-bookmark", QStyle::SP_DirLinkIcon);
    case 5:
        return faded(makeTreeImage(1));
    case 6:
        return faded(makeTreeImage(2));
    default:
        return {};
    }
}

QIcon makeListImage(int index)
{
    switch (index) {
    case 1:
        return themed("user-available", QStyle::SP_MessageBoxInformation);
    case 2:
        return themed("folder", QStyle::SP_DirClosedIcon);
    case 3:
        return themed("text-html", QStyle::SP_FileLinkIcon);
    case 4:
        return themed("go-up", QStyle::SP_FileDialogToParent);
    case 5:
        return themed("edit-find", QStyle::SP_FileDialogContentsView);
    default:
        return {};
    }
}

// Each image is made once: a list of ten thousand entries shares one icon
// instead of building ten thousand (a theme lookup each).
QIcon cached(QHash<int, QIcon>& cache, int index, QIcon (*make)(int))
{
    auto it = cache.constFind(index);
    if (it == cache.cend())
        it = cache.insert(index, make(index));
    return *it;
}

} // namespace

void useProgramIconTheme()
{
    QStringList paths = QIcon::themeSearchPaths();
    for (const QString& dir : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
        if (!paths.contains(dir + QStringLiteral("/icons")))
            paths << dir + QStringLiteral("/icons");
    }
    QIcon::setThemeSearchPaths(paths);
    QIcon::setFallbackThemeName(kProgramIconTheme);
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor"))
        QIcon::setThemeName(kProgramIconTheme); // no desktop theme: ours, not drawn letters
}

// The caches are never destroyed: icons must not outlive the application object.
QIcon treeImage(int index)
{
    static auto* cache = new QHash<int, QIcon>;
    return cached(*cache, index, makeTreeImage);
}

QIcon listImage(int index)
{
    static auto* cache = new QHash<int, QIcon>;
    return cached(*cache, index, makeListImage);
}

} // namespace ImageList
