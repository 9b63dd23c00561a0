#include "forms/program_style.h"

namespace chiffrel::ui {

QIcon ProgramStyle::standardIcon(StandardPixmap picture, const QStyleOption* option,
                                 const QWidget* widget) const {
    if (picture == SP_ToolBarHorizontalExtensionButton) {
        return {};
    }
    return QProxyStyle::standardIcon(picture, option, widget);
}

}  // namespace chiffrel::ui
