#pragma once

#include <QStringList>

#include "forms/error_and_modal.h"

namespace chiffrel::testing_support {

// Records the program's error and message boxes instead of opening them, for the life of the
// object.
class ErrorBoxes {
  public:
    ErrorBoxes() {
        previousErrors_ =
            ui::SetErrorPresenter([this](const QString& text) { shown.append(text); });
        previousMessages_ =
            ui::SetMessagePresenter([this](const QString& text) { messages.append(text); });
    }
    ~ErrorBoxes() {
        ui::SetErrorPresenter(previousErrors_);
        ui::SetMessagePresenter(previousMessages_);
    }
    ErrorBoxes(const ErrorBoxes&) = delete;
    ErrorBoxes& operator=(const ErrorBoxes&) = delete;

    QStringList shown;     // error boxes
    QStringList messages;  // plain message boxes

  private:
    ui::ErrorPresenter previousErrors_;
    ui::MessagePresenter previousMessages_;
};

}  // namespace chiffrel::testing_support
