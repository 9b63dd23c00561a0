#pragma once

#include <QStringList>

#include "platform/qt/event_rules.h"

namespace chiffrel::testing_support {

// Records the program's error boxes instead of opening them, for the life of the object.
class ErrorBoxes {
  public:
    ErrorBoxes() {
        previous_ = ui::SetErrorPresenter([this](const QString& text) { shown.append(text); });
    }
    ~ErrorBoxes() { ui::SetErrorPresenter(previous_); }
    ErrorBoxes(const ErrorBoxes&) = delete;
    ErrorBoxes& operator=(const ErrorBoxes&) = delete;

    QStringList shown;

  private:
    ui::ErrorPresenter previous_;
};

}  // namespace chiffrel::testing_support
