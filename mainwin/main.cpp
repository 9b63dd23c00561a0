// Chiffrel: start-up of the program.
#include <QApplication>
#include <QIcon>

#include "infowin/fabout.h"
#include "infowin/fmemo.h"
#include "mainwin/fmere.h"
#include "mainwin/program_context.h"
#include "platform/atomic_replace.h"
#include "platform/qt/error_and_modal.h"
#include "platform/qt/form_style.h"
#include "platform/qt/qt_texts.h"

int main(int argc, char* argv[]) {
    chiffrel::CatchFileSizeSignal();
    QApplication application(argc, argv);
    chiffrel::ui::SetApplicationTitle(QStringLiteral("Chiffrel"));
    QApplication::setApplicationName(QStringLiteral("chiffrel"));
    QApplication::setDesktopFileName(QStringLiteral("chiffrel"));
    chiffrel::ui::InstallQtFrenchTexts();
    QIcon windowIcon;
    // The sizes a window shows; the desktop takes larger ones from the installed icon theme.
    for (const int size : {16, 32, 48, 64}) {
        windowIcon.addFile(QStringLiteral(":/icons/%1x%1/chiffrel.png").arg(size));
    }
    QApplication::setWindowIcon(windowIcon);
    chiffrel::ui::InstallFontSubstitutes();

    chiffrel::ProgramContext context;
    context.helpFile = QApplication::applicationDirPath() + QStringLiteral("/chiffrel.hlp");
    chiffrel::Tmere mainWindow(context);
    chiffrel::Tabout about(context.versionLabel);
    chiffrel::TMemoForm history(context.historyPath);
    mainWindow.SetInformationWindows(about, history);
    context.programDirectory = QApplication::applicationDirPath() + QLatin1Char('/');

    mainWindow.show();
    return QApplication::exec();
}
