#include "bookmarks/netscape.h"
#include "bookmarks/registrystores.h"
#include "controls/FlatButton.h"
#include "dialogs/frmFavorite.h"
#include "dialogs/frmFolder.h"
#include "dialogs/modal.h"
#include "store/cSettings.h"
#include "support/freshhome.h"
#include "support/regtest.h"

#include <QBuffer>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// Answers the next modal dialog: types into its first line edit (unless
// `text` is null) and presses Enter there.
void answerWith(const char* text, bool enter = true)
{
    Modal::setHook([text, enter](QDialog& dialog) {
        auto* edit = dialog.findChild<QLineEdit*>();
        if (text)
            edit->setText(QString::fromUtf8(text));
        if (enter)
            QTest::keyClick(edit, Qt::Key_Return);
        return dialog.result();
    });
}

class EntryDialogsTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        Modal::setHook([](QDialog&) { return int(QDialog::Rejected); });
    }
};

} // namespace

TEST_F(EntryDialogsTest, TheFolderDialogAnswersOnlyForAChangedName)
{
    frmFolder folder;
    QString name = QStringLiteral("stale");
    answerWith("");
    EXPECT_FALSE(folder.Display(0, nullptr, &name, QString())) << "an empty new name";
    EXPECT_TRUE(name.isEmpty());
    answerWith(nullptr);
    EXPECT_FALSE(folder.Display(0, nullptr, &name, QStringLiteral("News"))) << "the same name";
    answerWith("news");
    EXPECT_TRUE(folder.Display(0, nullptr, &name, QStringLiteral("News"))) << "only the case changed";
    EXPECT_EQ(name, QStringLiteral("news"));
    answerWith("Other", false); // closed without OK
    EXPECT_FALSE(folder.Display(0, nullptr, &name, QStringLiteral("News")));

    frmForum forum;
    QString word;
    answerWith("");
    EXPECT_TRUE(forum.Display(0, nullptr, &word, QString())) << "an empty go word is the caller's to judge";
    EXPECT_TRUE(word.isEmpty());
}

TEST_F(EntryDialogsTest, ShortcutsAndBookmarksGetHttpRegistryEntriesStayAsTyped)
{
    const QString folder = FreshHome::path() + QStringLiteral("/Favorites/");
    frmFavorite favorite;
    Modal::setHook([](QDialog& dialog) {
        auto& f = dynamic_cast<frmFavorite&>(dialog);
        f.txtFavorite[0]->setText(QStringLiteral("Site"));
        f.txtFavorite[1]->setText(QStringLiteral("example.com/a"));
        QTest::keyClick(f.txtFavorite[1], Qt::Key_Return);
        return 0;
    });
    cSettings settings;
    Stores::Table stores(settings);
    const Stores::Place shortcuts{QStringLiteral("3A"), {}, QStringLiteral("Microsoft IE Favorites"), {}, {}};
    ASSERT_TRUE(favorite.Display(*stores.at(3), shortcuts, frmFavorite::Add, nullptr));
    EXPECT_EQ(regtest::readFile(folder + QStringLiteral("Site.url")),
              "[InternetShortcut]\r\nURL=http://example.com/a\r\n");
    ASSERT_TRUE(favorite.Display(
        *stores.at(1), {QStringLiteral("1A"), {}, QStringLiteral("Web Favorites"), {}, {}}, frmFavorite::Add, nullptr));
    EXPECT_EQ(RegistryStores::favoriteText(false, QStringLiteral("Site")), QStringLiteral("example.com/a"));

    // Renaming a shortcut: the new file, and the old one gone.
    Modal::setHook([](QDialog& dialog) {
        auto& f = dynamic_cast<frmFavorite&>(dialog);
        EXPECT_EQ(f.txtFavorite[0]->text(), QStringLiteral("Site"));
        f.txtFavorite[0]->setText(QStringLiteral("Renamed/with slash"));
        f.txtFavorite[1]->setText(QStringLiteral("ftp://files//x"));
        QTest::keyClick(f.txtFavorite[0], Qt::Key_Return);
        return 0;
    });
    ASSERT_TRUE(favorite.Display(*stores.at(3),
                                 shortcuts.entry(QStringLiteral("Site"), QStringLiteral("0X")),
                                 frmFavorite::Edit,
                                 nullptr,
                                 QStringLiteral("Site"),
                                 QStringLiteral("http://example.com/a")));
    EXPECT_FALSE(QFileInfo::exists(folder + QStringLiteral("Site.url")));
    EXPECT_EQ(QDir(folder).entryList({QStringLiteral("*.url")}).size(), 1);
    EXPECT_EQ(regtest::readFile(folder + QStringLiteral("Renamed\u2215with slash.url")),
              "[InternetShortcut]\r\nURL=ftp://files//x\r\n");
}

TEST_F(EntryDialogsTest, EditingABookmarkChangesItWhereItStandsAndOnlyWhatChanged)
{
    cSettings settings;
    Stores::Table stores(settings);
    NetscapeBookmarks& bookmarks = stores.bookmarks();
    const QString file = FreshHome::path() + QStringLiteral("/bookmarks.html");
    ASSERT_TRUE(regtest::writeFile(file,
                                   "<DL><p>\n    <DT><A HREF=\"http://a/\" ADD_DATE=\"1600000000\" "
                                   "ICON=\"data:x\">A &amp; Co</A>\n<DT><A HREF=\"http://b/\">B</A>\n</DL><p>\n"));
    settings.setBookmarkLocation(file);
    bookmarks.load(file);
    frmFavorite favorite;
    Modal::setHook([](QDialog& dialog) {
        auto& f = dynamic_cast<frmFavorite&>(dialog);
        EXPECT_FALSE(f.picFavorite->isVisibleTo(&f)) << "no kind choice for a bookmark";
        EXPECT_EQ(f.txtFavorite[0]->text(), QStringLiteral("A & Co"));
        f.txtFavorite[1]->setText(QStringLiteral("a.example/?x=1&y=2"));
        QTest::keyClick(f.txtFavorite[1], Qt::Key_Return);
        return 0;
    });
    ASSERT_TRUE(favorite.Display(*stores.at(4),
                                 {QStringLiteral("4A"), {}, {}, QStringLiteral("A & Co"), QStringLiteral("0X4A")},
                                 frmFavorite::Edit,
                                 nullptr,
                                 QStringLiteral("A & Co"),
                                 QStringLiteral("http://a/")));
    ASSERT_EQ(bookmarks.records().Count(), 2);
    EXPECT_EQ(bookmarks.records().at(1)->URL(), QStringLiteral("http://a.example/?x=1&y=2"));
    const QList<QByteArray> lines = regtest::readFile(file).split('\n');
    ASSERT_EQ(lines.size(), 5);
    EXPECT_TRUE(
        lines[1].startsWith("    <DT><A HREF=\"http://a.example/?x=1&amp;y=2\" ADD_DATE=\"1600000000\" ICON=\"data:x\" "
                            "LAST_MODIFIED=\""))
        << lines[1].toStdString();
    EXPECT_TRUE(lines[1].endsWith("\">A &amp; Co</A>")) << "the title as the file had it";
    EXPECT_EQ(lines[2], "<DT><A HREF=\"http://b/\">B</A>");
}

TEST_F(EntryDialogsTest, EveryCaptionAndKindShowsWholeAndNoCaptionLooksDisabled)
{
    frmFavorite favorite;
    for (QRadioButton* option : favorite.optFavorite) {
        EXPECT_GE(option->width(), option->sizeHint().width()) << option->text().toStdString();
        EXPECT_LE(option->mapTo(&favorite, QPoint(option->width(), 0)).x(), favorite.width())
            << option->text().toStdString();
    }
    for (int caption : {2, 3})
        EXPECT_TRUE((*favorite.lbbFavorite)[caption]->isEnabled());
}

TEST_F(EntryDialogsTest, UserFolderEntriesOfferTheKindsAllowed)
{
    frmFavorite favorite;
    Modal::setHook([](QDialog& dialog) {
        auto& f = dynamic_cast<frmFavorite&>(dialog);
        EXPECT_TRUE(f.picFavorite->isVisibleTo(&f));
        EXPECT_FALSE(f.optFavorite[2]->isVisibleTo(&f)) << "no forum kind without CompuServe";
        f.txtFavorite[0]->setText(QStringLiteral("cats"));
        f.txtFavorite[1]->setText(QStringLiteral("cats and dogs"));
        f.optFavorite[1]->setChecked(true);
        QTest::keyClick(f.txtFavorite[0], Qt::Key_Return);
        return 0;
    });
    cSettings settings;
    Stores::Table stores(settings);
    ASSERT_TRUE(favorite.Display(*stores.at(10),
                                 {QStringLiteral("10A"), QStringLiteral("Mine"), QStringLiteral("Mine"), {}, {}},
                                 frmFavorite::AddWithKind,
                                 nullptr));
    EXPECT_EQ(RegistryStores::userEntryUrl(QStringLiteral("Mine"), QStringLiteral("cats")),
              QStringLiteral("cats and dogs"));
    EXPECT_EQ(RegistryStores::userEntryType(QStringLiteral("Mine"), QStringLiteral("cats")), 1);
}
