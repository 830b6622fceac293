#include "bookmarks/names.h"

namespace Names {

namespace {

constexpr qsizetype kMaxKeyName = 255;       // the registry's limit for a key name
constexpr qsizetype kMaxValueName = 16383;   // and for a value name
constexpr qsizetype kMaxFileNameBytes = 255; // NAME_MAX of the common file systems

constexpr char16_t kSlashLookAlike = 0x2215;     // DIVISION SLASH
constexpr char16_t kBackslashLookAlike = 0xFF3C; // FULLWIDTH REVERSE SOLIDUS
// What earlier versions put for "\" (and what a name read from disk holding
// one still shows): few fonts draw it, so it is no longer given.
constexpr char16_t kOldBackslashLookAlike = 0x29F5;

bool breaksLine(QChar c)
{
    const char16_t u = c.unicode();
    return u < 0x20 || u == 0x7F || u == 0x2028 || u == 0x2029;
}

// Control characters and line breaks become one blank each; CR LF counts as one.
QString oneLine(const QString& text)
{
    QString line;
    line.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (!breaksLine(c)) {
            line.append(c);
            continue;
        }
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        line.append(QLatin1Char(' '));
    }
    return line;
}

Checked refused(const QString& name, const QString& why)
{
    return Checked{name, why};
}

} // namespace

QString existsInList(const QString& name, bool compuServe)
{
    return QLatin1Char('\'') + name + QStringLiteral("' already exists in your list of ") +
           (compuServe ? QStringLiteral("CompuServe Web Favorites") : QStringLiteral("Web Favorites"));
}

QString existsInFolder(const QString& name, const QString& folder)
{
    return QLatin1Char('\'') + name + QStringLiteral("' already exists in your '") + folder +
           QStringLiteral("' folder");
}

QString withoutSeparators(const QString& name)
{
    QString safe = name;
    safe.replace(QLatin1Char('/'), QChar(kSlashLookAlike)).replace(QLatin1Char('\\'), QChar(kBackslashLookAlike));
    return safe;
}

QString withSeparators(const QString& name)
{
    QString real = name;
    real.replace(QChar(kSlashLookAlike), QLatin1Char('/'))
        .replace(QChar(kBackslashLookAlike), QLatin1Char('\\'))
        .replace(QChar(kOldBackslashLookAlike), QLatin1Char('\\'));
    return real;
}

QString address(const QString& text)
{
    return oneLine(text);
}

Checked check(Target target, const QString& name)
{
    QString mapped = oneLine(name);
    switch (target) {
    case Target::ShortcutFile:
    case Target::Directory:
        // A name read from disk that holds a real "\\" shows the old look-alike,
        // which the file layer maps back: it stays, or the file would be another.
        mapped = withoutSeparators(mapped);
        break;
    case Target::RegistryKey: // "\\" would split a key; "/" is an ordinary character there
        mapped = withSeparators(mapped).replace(QLatin1Char('\\'), QChar(kBackslashLookAlike));
        break;
    case Target::RegistryValue:
    case Target::NetscapeTitle:
    case Target::GoWord:
        mapped = withSeparators(mapped);
        break;
    }
    const bool blank = mapped.trimmed().isEmpty();
    switch (target) {
    case Target::NetscapeTitle:
    case Target::GoWord:
        return Checked{mapped, {}}; // both keep an empty line as an empty name
    case Target::RegistryValue:
    case Target::RegistryKey: {
        const qsizetype limit = target == Target::RegistryKey ? kMaxKeyName : kMaxValueName;
        if (blank)
            return refused(mapped, QStringLiteral("Please enter a name: an entry cannot be saved without one."));
        if (mapped.size() > limit)
            return refused(mapped,
                           QStringLiteral("The name is too long to be saved (at most %1 characters).").arg(limit));
        return Checked{mapped, {}};
    }
    case Target::ShortcutFile:
    case Target::Directory: {
        if (blank)
            return refused(mapped, QStringLiteral("Please enter a name: an entry cannot be saved without one."));
        if (target == Target::Directory && (mapped == QLatin1String(".") || mapped == QLatin1String("..")))
            return refused(mapped, QLatin1Char('\'') + mapped + QStringLiteral("' cannot be used as a folder name."));
        const qsizetype bytes = mapped.toUtf8().size() + (target == Target::ShortcutFile ? 4 : 0);
        if (bytes > kMaxFileNameBytes)
            return refused(mapped,
                           QStringLiteral("'%1' is too long for a file name (at most %2 bytes).")
                               .arg(mapped.left(40) + QStringLiteral("..."))
                               .arg(kMaxFileNameBytes - (target == Target::ShortcutFile ? 4 : 0)));
        return Checked{mapped, {}};
    }
    }
    return Checked{mapped, {}};
}

} // namespace Names
