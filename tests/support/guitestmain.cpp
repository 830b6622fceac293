#include "dialogs/messagebox.h"
#include "dialogs/modal.h"

#include "support/freshhome.h"
#include <QDialog>

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Markcrate"));
    // No test ever waits on a real modal box.
    MessageBoxes::setHook([](const MessageBoxes::Request&) { return QMessageBox::Ok; });
    MessageBoxes::setOpenFileHook([](const QString&, const QString&) { return QString(); });
    MessageBoxes::setSaveFileHook([](const QString&, const QString&, const QString&) { return QString(); });
    Modal::setHook([](QDialog&) { return int(QDialog::Rejected); });
    FreshHome::install();
    return RUN_ALL_TESTS();
}
