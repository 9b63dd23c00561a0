#pragma once

#include <QLocale>
#include <QString>
#include <optional>

#include "engine/app_state.h"
#include "mainwin/printing.h"
#include "mainwin/program_version.h"
#include "settings/settings_file.h"

namespace chiffrel {

// Everything the program keeps for the whole run besides its windows: the values the engines
// share, the settings file, where the program's own files are, and the system services the
// windows print and format with. main() owns the one instance and lends it to the windows; a
// test makes a fresh one and may put its own regional settings in it.
struct ProgramContext {
    AppState values;
    // Created by the main window's creation, released by the quit command.
    std::optional<SettingsFile> settingsFile;
    // The directory of the executable, ending with "/".
    QString programDirectory;
    // The help file, named at start-up.
    QString helpFile;
    // The program's version as its caption bar and about box show it.
    const QString versionLabel = QStringLiteral(" v") + QLatin1String(kProgramVersion);
    // Set by the history command before the history window shows it.
    QString historyPath;
    // Decimal separator and date format of the user.
    QLocale regionalSettings = QLocale::system();
    // Prints the print command's jobs off the windows' thread; main() lets a job under way reach
    // the print system before the program ends.
    BackgroundPrinter printer;
};

}  // namespace chiffrel
