#pragma once

class QTranslator;

namespace chiffrel::ui {

// Makes the texts that Qt draws itself French (the amount fields' context menu, the buttons of
// message boxes), whatever the user's locale: the program is French throughout. Returns the
// installed catalogue, owned by the application, or nullptr when Qt's French catalogue is not
// installed; Qt's texts then stay English.
QTranslator* InstallQtFrenchTexts();

}  // namespace chiffrel::ui
