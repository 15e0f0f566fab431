// Picura: head-shot and ID photos, one person after another.
#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QMenuBar>
#include <QStandardPaths>
#include <QTranslator>

#include "app/widgets/MainWindow.h"
#include "platform/AlsaSoundPlayer.h"
#include "platform/ClipboardPort.h"
#include "platform/DesktopOpener.h"
#include "platform/GstCameraDevice.h"
#include "platform/widgets/QtOperatorDialogs.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Picura"));
    QApplication::setOrganizationName(QStringLiteral("Picura"));

    // The program speaks Chinese: Qt's own buttons and dialogs too.
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                          QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&qtTranslator);
    }
    QFont font(QStringLiteral("Noto Sans CJK SC"));
    font.setPixelSize(12);
    QApplication::setFont(font);

    picura::QtOperatorDialogs dialogs;
    picura::SystemDesktopOpener opener;
    picura::QtClipboard clipboard;
    // Where the desktop has no sound device the player plays nothing and the program goes on.
    picura::AlsaSoundPlayer sound;
    picura::MainWindow::Services services;
    services.dialogs = &dialogs;
    services.opener = &opener;
    services.clipboard = &clipboard;
    services.sound = &sound;
    // PICURA_CAMERA=test shows a test picture instead of a capture device, =none no device at all.
    services.camera = [] {
        return std::make_unique<picura::GstCameraDevice>(picura::GstCameraDevice::sourceFromEnvironment());
    };
    services.programFolder = QCoreApplication::applicationDirPath();
    services.fallbackSettingsBase = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    picura::MainWindow window(services);
    dialogs.setParent(&window);
    window.start();
    window.show();
    window.dockEditTools();
    // For scripted checks: where the client area starts inside the window.
    qInfo("menubar=%d", window.menuBar()->height());
    return app.exec();
}
