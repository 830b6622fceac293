// Export of the bookmarks of the selected folder, or of every source, to a text listing.
#include "mainwindow/cMainDialog.h"

#include "bookmarks/exporter.h"
#include "bookmarks/favorites.h"
#include "bookmarks/keys.h"
#include "bookmarks/stores.h"
#include "controls/IndexedToolBar.h"
#include "controls/KeyedTreeView.h"
#include "dialogs/messagebox.h"
#include "mainwindow/MainForm.h"
#include "platform/atomicfile.h"
#include "store/cSettings.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIODevice>
#include <QStandardPaths>
#include <QStatusBar>

void cMainDialog::ExportBookmarks()
{
    // The folder last used, else the user's documents: a listing is for the user to find.
    QString folder = m_lastExportFolder;
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (folder.isEmpty() || !QFileInfo(folder).isDir())
            folder = QDir::homePath();
    }
    QString file = MessageBoxes::getSaveFileName(m_form->window(),
                                                 QStringLiteral("Export Bookmarks"),
                                                 QStringLiteral("Text File (*.TXT *.txt)"),
                                                 folder + QStringLiteral("/Bookmarks.txt"));
    if (file.isEmpty())
        return; // cancelled: no file
    if (!QFileInfo(file).fileName().contains(QLatin1Char('.')))
        file += QStringLiteral(".txt"); // a dot in a folder of the path is no extension
    const QByteArray listing = ExportSelection();
    QString error;
    if (!platform::writeFileAtomically(
            file, [&listing](QIODevice& device) { return device.write(listing) == listing.size(); }, &error)) {
        MessageBoxes::inform(QStringLiteral("Markcrate could not write the export \"%1\": %2.")
                                 .arg(QDir::toNativeSeparators(file), error),
                             m_form->window());
        return;
    }
    m_lastExportFolder = QFileInfo(file).absolutePath();
    m_form->stbMain->showMessage(QStringLiteral("Exported to ") + QDir::toNativeSeparators(file));
}

QByteArray cMainDialog::ExportSelection()
{
    KeyedTreeView* tree = m_form->tvMain;
    QTreeWidgetItem* selected = tree->SelectedItem();
    tree->setDropHighlight(selected);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    BookmarkExport out;
    auto section = [&](QTreeWidgetItem* node) {
        const QString key = KeyedTreeView::Key(node);
        m_state.CurrentSource = Keys::sourceNumber(key);
        const Stores::Store* store = m_stores->forKey(key);
        m_form->tlbMain->button(MoveUpTool)->setEnabled(store && store->ordered());
        m_form->tlbMain->button(MoveDownTool)->setEnabled(store && store->ordered());
        try {
            if (store)
                m_stores->forKey(key)->exportTo(out, placeOf(node), [] { QApplication::processEvents(); });
        } catch (const std::exception& error) {
            report(error); // that section ends; the rest goes on
        }
    };
    if (selected) {
        if (KeyedTreeView::Key(selected) != Keys::TopKey) {
            section(selected);
        } else {
            for (QTreeWidgetItem* node : tree->NodesInOrder()) {
                const QString key = KeyedTreeView::Key(node);
                if (key.contains(QLatin1Char('X')) || key == Keys::TopKey)
                    continue;
                tree->setSelectedItem(node);
                section(node);
            }
            tree->setSelectedItem(selected);
        }
    }
    QApplication::restoreOverrideCursor();
    return out.bytes();
}
