// Chiffrel: start-up of the program.
#include <QApplication>
#include <QIcon>
#include <QImageReader>
#include <QPixmap>

#include "forms/error_and_modal.h"
#include "forms/form_style.h"
#include "forms/program_style.h"
#include "forms/qt_texts.h"
#include "infowin/fabout.h"
#include "infowin/fmemo.h"
#include "mainwin/fmere.h"
#include "mainwin/program_context.h"
#include "platform/atomic_replace.h"

namespace {

// Reads a picture known to be PNG, which Qt decodes by itself. Left to find the format, Qt would
// load every image-format plugin to ask each whether it reads the file.
QPixmap ReadPng(const QString& path) {
    QImageReader reader(path, "png");
    reader.setAutoDetectImageFormat(false);
    return QPixmap::fromImage(reader.read());
}

}  // namespace

int main(int argc, char* argv[]) {
    chiffrel::CatchFileSizeSignal();
    QApplication application(argc, argv);
    QApplication::setStyle(new chiffrel::ui::ProgramStyle);
    chiffrel::ui::SetApplicationTitle(QStringLiteral("Chiffrel"));
    QApplication::setApplicationName(QStringLiteral("chiffrel"));
    QApplication::setDesktopFileName(QStringLiteral("chiffrel"));
    chiffrel::ui::InstallQtFrenchTexts();
    QIcon windowIcon;
    // The sizes a window shows; the desktop takes larger ones from the installed icon theme.
    for (const int size : {16, 32, 48, 64}) {
        windowIcon.addPixmap(ReadPng(QStringLiteral(":/icons/%1x%1/chiffrel.png").arg(size)));
    }
    QApplication::setWindowIcon(windowIcon);
    chiffrel::ui::InstallFontSubstitutes();

    chiffrel::ProgramContext context;
    context.helpFile = QApplication::applicationDirPath() + QStringLiteral("/chiffrel.hlp");
    chiffrel::Tmere mainWindow(context);
    // Both belong to the main window, as its dialogs do: the window manager keeps them over it.
    chiffrel::Tabout about(context.versionLabel, QApplication::applicationFilePath(), &mainWindow);
    chiffrel::TMemoForm history([&context] { return context.historyPath; }, &mainWindow);
    mainWindow.SetInformationWindows(about, history);
    context.programDirectory = QApplication::applicationDirPath() + QLatin1Char('/');

    mainWindow.show();
    const int exitCode = QApplication::exec();
    // Every window of the program closes at once; a print under way may still reach the print
    // system.
    for (QWidget* window : QApplication::topLevelWidgets()) {
        window->hide();
    }
    context.printer.FinishBeforeExit();
    return exitCode;
}
