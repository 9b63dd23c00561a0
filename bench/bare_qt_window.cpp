// The smallest Qt Widgets program that shows a window: one label, nothing else.
// scripts/measure-startup.sh starts it beside the calculator, so the calculator's start-up time
// and memory can be read against what any Qt Widgets window costs on the same machine.
#include <QApplication>
#include <QLabel>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QLabel label(QStringLiteral("Qt"));
    label.show();
    return QApplication::exec();
}
