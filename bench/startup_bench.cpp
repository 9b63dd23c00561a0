// Start-up and keystroke latency of the main window, in one process, offscreen:
//  - from the start of main() to the main window's first paint;
//  - from a key press in the amount field to the result panel's new text (median of many).
// Run with scripts/bench.sh.
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "forms/error_and_modal.h"
#include "forms/form_style.h"
#include "infowin/fabout.h"
#include "infowin/fmemo.h"
#include "mainwin/fmere.h"
#include "mainwin/program_context.h"

namespace {

class FirstPaint : public QObject {
  public:
    explicit FirstPaint(const QElapsedTimer& clock) : clock_(clock) {}
    qint64 nanoseconds = -1;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && nanoseconds < 0) {
            nanoseconds = clock_.nsecsElapsed();
        }
        return false;
    }

  private:
    const QElapsedTimer& clock_;
};

double MedianMicroseconds(std::vector<qint64> samples) {
    std::sort(samples.begin(), samples.end());
    return static_cast<double>(samples[samples.size() / 2]) / 1000.0;
}

}  // namespace

int main(int argc, char* argv[]) {
    QElapsedTimer clock;
    clock.start();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    chiffrel::ui::SetApplicationTitle(QStringLiteral("Chiffrel"));
    chiffrel::ui::InstallFontSubstitutes();
    chiffrel::ProgramContext context;
    chiffrel::Tmere window(context);
    chiffrel::Tabout about(context.versionLabel, QApplication::applicationFilePath(), &window);
    chiffrel::TMemoForm history([&context] { return context.historyPath; }, &window);
    window.SetInformationWindows(about, history);
    FirstPaint firstPaint(clock);
    window.installEventFilter(&firstPaint);
    window.show();
    while (firstPaint.nanoseconds < 0) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    std::printf("start of main() to first paint: %.1f ms\n",
                static_cast<double>(firstPaint.nanoseconds) / 1e6);

    auto* field = window.findChild<QLineEdit*>(QStringLiteral("SaisieMnt"));
    auto* result = window.findChild<QLabel*>(QStringLiteral("Result"));
    std::vector<qint64> samples;
    for (int i = 0; i < 2000; ++i) {
        const QString before = result->text();
        QElapsedTimer keystroke;
        keystroke.start();
        QTest::keyClick(field, field->text().size() < 8 ? Qt::Key_7 : Qt::Key_Backspace);
        samples.push_back(keystroke.nsecsElapsed());
        if (result->text() == before && field->text().size() > 1) {
            std::fprintf(stderr, "the result did not change\n");
            return 1;
        }
    }
    std::printf("key press to result text: median %.1f us over %zu keys\n",
                MedianMicroseconds(samples), samples.size());
    return 0;
}
