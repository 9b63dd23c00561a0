#include "forms/link_label.h"

#include <QStyleOptionFocusRect>
#include <QStylePainter>

#include "forms/accessibility.h"

namespace chiffrel::ui {

LinkLabel::LinkLabel(QWidget* parent) : QLabel(parent) {
    InstallAccessibleInterfaces();
    setFocusPolicy(Qt::TabFocus);
}

void LinkLabel::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    if (!hasFocus()) {
        return;
    }
    QStylePainter painter(this);
    QStyleOptionFocusRect frame;
    frame.initFrom(this);
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, frame);
}

}  // namespace chiffrel::ui
