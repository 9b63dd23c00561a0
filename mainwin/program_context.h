#pragma once

#include <QString>
#include <optional>

#include "engine/app_state.h"
#include "settings/settings_file.h"

namespace chiffrel {

// Everything the program keeps for the whole run besides its windows: the values the engines
// share, the settings file, and where the program's own files are. main() owns the one
// instance and lends it to the windows; a test makes a fresh one.
struct ProgramContext {
    AppState values;
    // Created by the main window's creation, released by the quit command.
    std::optional<SettingsFile> settingsFile;
    // The directory of the executable, ending with "/".
    QString programDirectory;
    // The program's version as its caption bar and about box show it.
    const QString versionLabel = QStringLiteral(" v4.51");
    // Set by the history command before the history window shows it.
    QString historyPath;
};

}  // namespace chiffrel
