#include "app/commandline.h"

#include <QList>
#include <QPair>
#include <QSet>

#include <algorithm>

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
    return QStringLiteral("Usage: markcrate [-HIDE] [--show | --hide | --toggle | --find [TEXT] | --open TEXT]\n"
                          "A bookmark manager that lives in the notification area: one window over your\n"
                          "Favorites folder, a browser's bookmark file, your own favorites and folders.\n"
                          "\n"
                          "  -HIDE       start with the window hidden (in any letter case)\n"
                          "  --show      show the running window (what a start with no option does)\n"
                          "  --hide      hide the running window to the notification area\n"
                          "  --toggle    hide the window when it is the active one, else show it\n"
                          "  --find [TEXT]  show the window with the command box focused, and the\n"
                          "              entries of every store that match TEXT\n"
                          "  --open TEXT    open TEXT as the command box's go does: a web address, a\n"
                          "              search text or a forum go word, by the kind selected\n"
                          "  --start-at-login     start hidden with every desktop session, and end\n"
                          "  --no-start-at-login  no longer start with the session, and end\n"
                          "  --help      show this help and end\n"
                          "  --version   show the version and end\n"
                          "\n"
                          "Only one copy runs at a time: starting it again shows the running window,\n"
                          "or does what its option asks. Bind 'markcrate --find' to a key in your\n"
                          "desktop's settings to reach it from anywhere.\n");
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
        // The running copy's requests; a text either follows or is given with "=".
        using Kind = platform::Request::Kind;
        static const QList<QPair<QString, Kind>> requests{{QStringLiteral("--show"), Kind::Show},
                                                          {QStringLiteral("--hide"), Kind::Hide},
                                                          {QStringLiteral("--toggle"), Kind::Toggle},
                                                          {QStringLiteral("--find"), Kind::Find},
                                                          {QStringLiteral("--open"), Kind::Open}};
        const QString name = argument.section(QLatin1Char('='), 0, 0);
        const auto known = std::find_if(
            requests.begin(), requests.end(), [&name](const auto& request) { return request.first == name; });
        if (known != requests.end()) {
            platform::Request request{known->second, {}};
            const bool takesText = request.kind == Kind::Find || request.kind == Kind::Open;
            if (argument.contains(QLatin1Char('='))) {
                if (!takesText)
                    return Verdict{false, 2, QStringLiteral("markcrate: %1 takes no text\n").arg(name), true};
                request.text = argument.section(QLatin1Char('='), 1);
            } else if (takesText && i + 1 < arguments.size() &&
                       (request.kind == Kind::Open || !arguments[i + 1].startsWith(QLatin1Char('-')))) {
                request.text = arguments[++i];
            }
            if (request.kind == Kind::Open && request.text.trimmed().isEmpty())
                return Verdict{false,
                               2,
                               QStringLiteral("markcrate: --open needs an address or a text\n"
                                              "Try 'markcrate --help' for more information.\n"),
                               true};
            verdict.request = request;
            continue;
        }
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
