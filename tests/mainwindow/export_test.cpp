#include "bookmarks/registrystores.h"
#include "controls/KeyedTreeView.h"
#include "store/cRegistry.h"
#include "support/freshhome.h"
#include "support/mainwindowfixture.h"
#include "support/regtest.h"
#include "support/storetest.h"

#include <QDir>
#include <QFileInfo>
#include <QStatusBar>

class ExportTest : public MainWindowFixture
{
protected:
    void TearDown() override
    {
        MessageBoxes::setSaveFileHook([](const QString&, const QString&, const QString&) { return QString(); });
        MainWindowFixture::TearDown();
    }
};

TEST_F(ExportTest, TheTopNodeExportsEverySourceShownInTreeOrder)
{
    storetest::write(RegistryStores::userFolderKey(QStringLiteral("Mine")),
                     QStringLiteral("FolderName"),
                     QStringLiteral("Mine"),
                     cRegistry::REG_SZ);
    cSettings stored;
    stored.setAppName(QStringLiteral("ORXMarkcrate"));
    stored.setSupportNetscape(false);
    stored.Update();
    start();
    show(QStringLiteral("00A"));
    const QString out = QString::fromUtf8(dialog().ExportSelection());
    QStringList titles;
    for (const QString& line : out.split(QStringLiteral("\r\n"))) {
        if (!line.isEmpty() && !line.startsWith(QLatin1Char(' ')))
            titles << line;
    }
    EXPECT_EQ(titles,
              (QStringList{"Web Favorites Folder",
                           "CompuServe Web Forums",
                           "CompuServe Web Forum Favorites",
                           "Microsoft Internet Explorer Favorites",
                           "Mine"}));
    EXPECT_EQ(KeyedTreeView::Key(form->tvMain->SelectedItem()), QStringLiteral("00A")) << "the top node again";
}

TEST_F(ExportTest, AnExistingFileIsReplacedAndACancelWritesNothing)
{
    start();
    show(QStringLiteral("1A"));
    const QString file = FreshHome::path() + QStringLiteral("/export.txt");
    dialog().ExportBookmarks();
    EXPECT_FALSE(QFileInfo::exists(file)) << "cancelled";
    ASSERT_TRUE(regtest::writeFile(file, "old contents that are longer than the export"));
    const QString documents = FreshHome::path() + QStringLiteral("/Documents");
    QDir().mkpath(documents);
    QString offered;
    MessageBoxes::setSaveFileHook([&](const QString& title, const QString&, const QString& path) {
        EXPECT_EQ(title, QStringLiteral("Export Bookmarks"));
        offered = path;
        return file;
    });
    dialog().ExportBookmarks();
    EXPECT_EQ(regtest::readFile(file), "\r\nWeb Favorites Folder\r\n\r\n");
    EXPECT_EQ(QFileInfo(offered).path(), documents) << "the user's documents, not the program's data";
    EXPECT_TRUE(form->stbMain->currentMessage().contains(QDir::toNativeSeparators(file)))
        << form->stbMain->currentMessage().toStdString();
    dialog().ExportBookmarks();
    EXPECT_EQ(QFileInfo(offered).path(), FreshHome::path()) << "then the folder last used";
}
