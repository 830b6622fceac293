#include "app/commandline.h"

#include <QSet>

namespace CommandLine {

namespace {

// Qt's own options, which QApplication takes from the command line; those
// in the second list take the next argument with them.
const QSet<QString>& qtFlags()
{
    static const QSet<QString> flags{QStringLiteral("-reverse"),
                                     QStringLiteral("-nograb"),
                                     QStringLiteral("-dograb"),
                                     QStringLiteral("-sync"),
                                     QStringLiteral("-widgetcount")};
    return flags;
}

const QSet<QString>& qtOptionsWithValue()
{
    static const QSet<QString> options{QStringLiteral("-platform"),
                                       QStringLiteral("-platformpluginpath"),
                                       QStringLiteral("-platformtheme"),
                                       QStringLiteral("-plugin"),
                                       QStringLiteral("-display"),
                                       QStringLiteral("-style"),
                                       QStringLiteral("-stylesheet"),
                                       QStringLiteral("-session"),
                                       QStringLiteral("-geometry"),
                                       QStringLiteral("-name"),
                                       QStringLiteral("-title"),
                                       QStringLiteral("-qwindowgeometry"),
                                       QStringLiteral("-qwindowtitle"),
                                       QStringLiteral("-qwindowicon")};
    return options;
}

QString usage()
{
    return QStringLiteral("Usage: markcrate [-HIDE]\n"
                          "A bookmark manager that lives in the notification area: one window over your\n"
                          "Favorites folder, a browser's bookmark file, your own favorites and folders.\n"
                          "\n"
                          "  -HIDE       start with the window hidden (in any letter case)\n"
                          "  --start-at-login     start hidden with every desktop session, and end\n"
                          "  --no-start-at-login  no longer start with the session, and end\n"
                          "  --help      show this help and end\n"
                          "  --version   show the version and end\n"
                          "\n"
                          "Only one copy runs at a time: starting it again shows the running window.\n");
}

} // namespace

Verdict check(const QStringList& arguments, const QString& version)
{
    Verdict verdict;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h") || argument == QLatin1String("-?")) {
            return Verdict{false, 0, usage(), false};
        }
        if (argument == QLatin1String("--start-at-login") || argument == QLatin1String("--no-start-at-login")) {
            Verdict change{false, 0, {}, false};
            change.startAtLogin = argument == QLatin1String("--start-at-login") ? 1 : 0;
            return change;
        }
        if (argument == QLatin1String("--version"))
            return Verdict{false, 0, QStringLiteral("markcrate ") + version + QLatin1Char('\n'), false};
        if (argument.toUpper().contains(QLatin1String("-HIDE")))
            continue;
        const QString option = argument.startsWith(QLatin1String("--")) ? argument.mid(1) : argument;
        if (qtFlags().contains(option))
            continue;
        if (qtOptionsWithValue().contains(option)) {
            ++i; // its value
            continue;
        }
        if (qtOptionsWithValue().contains(option.section(QLatin1Char('='), 0, 0)))
            continue;
        return Verdict{false,
                       2,
                       QStringLiteral("markcrate: unknown option '%1'\nTry 'markcrate --help' for more information.\n")
                           .arg(argument),
                       true};
    }
    return verdict;
}

} // namespace CommandLine
