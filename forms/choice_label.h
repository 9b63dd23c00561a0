#pragma once

#include <QLabel>

namespace chiffrel::ui {

// A label the user clicks to choose one of several options. Screen readers see it as a radio
// button, checked while it is the chosen option, and can press it as a click does.
class ChoiceLabel : public QLabel {
    Q_OBJECT

  public:
    explicit ChoiceLabel(QWidget* parent = nullptr);

    bool IsChosen() const { return chosen_; }
    // Screen readers hear of the change through a state-change event.
    void SetChosen(bool chosen);

  private:
    bool chosen_ = false;
};

}  // namespace chiffrel::ui
