// main() of the GUI test suites: one QApplication for the whole run, offscreen.
#include <gtest/gtest.h>

#include <QApplication>

#include "forms/error_and_modal.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    chiffrel::ui::SetApplicationTitle(QStringLiteral("Chiffrel"));
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
