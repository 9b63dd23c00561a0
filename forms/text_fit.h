#pragma once

// Keeps the texts of the forms whole where the fonts that stand in for the forms' own are wider
// than those, or where a result is longer than its panel: a cut number would be a wrong number.

class QWidget;

namespace chiffrel::ui {

// Keeps every label, check box, radio button and tab bar of `form` showing its whole text: a text
// wider than the room its control gives it is drawn in the largest smaller pixel size of the
// control's font at which it fits; a text that fits keeps the control's own font. The tabs of a bar
// fit together, side by side, or the bar's font steps down.
// Checked each time a control is painted, so that texts set later are kept whole as well.
void KeepTextsWhole(QWidget* form);

}  // namespace chiffrel::ui
