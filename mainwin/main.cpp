// Chiffrel: start-up of the program.
#include <QApplication>

#include "mainwin/fmere.h"
#include "mainwin/program_context.h"
#include "platform/qt/form_style.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Chiffrel"));
    QApplication::setApplicationName(QStringLiteral("chiffrel"));
    QApplication::setDesktopFileName(QStringLiteral("chiffrel"));
    chiffrel::ui::InstallFontSubstitutes();

    chiffrel::ProgramContext context;
    chiffrel::Tmere mainWindow(context);
    context.programDirectory = QApplication::applicationDirPath() + QLatin1Char('/');

    mainWindow.show();
    return QApplication::exec();
}
