#include "forms/choice_label.h"

#include <QAccessible>

#include "forms/accessibility.h"

namespace chiffrel::ui {

ChoiceLabel::ChoiceLabel(QWidget* parent) : QLabel(parent) {
    InstallAccessibleInterfaces();
}

void ChoiceLabel::SetChosen(bool chosen) {
    if (chosen == chosen_) {
        return;
    }
    chosen_ = chosen;
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
}

}  // namespace chiffrel::ui
