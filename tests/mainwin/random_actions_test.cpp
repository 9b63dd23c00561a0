#include <QAbstractButton>
#include <QPushButton>
#include <QSet>
#include <QTimer>
#include <algorithm>
#include <optional>
#include <random>
#include <vector>

#include "tests/mainwin/main_window_fixture.h"
#include "tests/mainwin/print_servers.h"

namespace chiffrel::testing_support {
namespace {

// Thousands of random user actions, never a quit path, checking after each one what must hold
// in every state the window can reach.
class RandomActions : public MainWindowTest {
  protected:
    void SetUp() override {
        Open();
        // Printing goes to a print server of the test's own and help to the program's own help
        // file: nothing reaches a real printer, and every modal dialog is answered below.
        printServer_.emplace(outputs_.filePath(QStringLiteral("cups.sock")),
                             PrintServerBehaviour{});
        context_->helpFile = QStringLiteral(CHIFFREL_HELP_FILE);
    }

    void RunRandomAction() {
        switch (Pick(8)) {
            case 0:
            case 1:
                TypeRandomKey();
                break;
            case 2:
                ClickVisible(RadioButtons());
                break;
            case 3:
                ClickVisible(Buttons());
                break;
            case 4:
                ClickVisible(ClickableTexts());
                break;
            case 5:
                ClickTab(Pick(4));
                break;
            case 6:
                PressShortcut();
                break;
            default:
                MoveSlider();
                break;
        }
    }

    // Everything that must hold, whatever the user did.
    void CheckInvariants(int step) {
        CheckNoOverlapInTheInputPanel(step);
        CheckExactlyOneChecked({"RadioButton206", "RadioButton55", "RadioButton22", "RadioButton0"},
                               step);
        CheckExactlyOneChecked(
            {"RadioEuroF", "RadioEuroE", "RadioFrancsDollars", "RadioDollarsFrancs"}, step);
        CheckTabMenuMatchesTheActiveTab(step);
        ASSERT_TRUE(window_->isVisible()) << "step " << step;
        ASSERT_EQ(QApplication::activeModalWidget(), nullptr) << "step " << step;
        ASSERT_TRUE(StillResponsive()) << "step " << step;
    }

  private:
    int Pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(random_); }

    void TypeRandomKey() {
        static const QString keys = QStringLiteral("0123456789.,-+e ");
        if (!Focused()) {
            return;
        }
        switch (Pick(6)) {
            case 0:
                Key(Qt::Key_Backspace);
                break;
            case 1:
                Key(Pick(2) ? Qt::Key_Return : Qt::Key_Enter);
                break;
            case 2:
                Key(Pick(2) ? Qt::Key_Tab : Qt::Key_Backtab);
                break;
            default:
                QTest::keyClick(Focused(), keys.at(Pick(keys.size())).toLatin1());
                break;
        }
    }

    std::vector<QWidget*> RadioButtons() const {
        std::vector<QWidget*> radios;
        for (QRadioButton* radio : window_->findChildren<QRadioButton*>()) {
            radios.push_back(radio);
        }
        return radios;
    }

    std::vector<QWidget*> Buttons() const {
        std::vector<QWidget*> buttons;
        for (QPushButton* button : window_->findChildren<QPushButton*>()) {
            if (button->objectName() != QLatin1String("ButtonClose")) {
                buttons.push_back(button);
            }
        }
        return buttons;
    }

    std::vector<QWidget*> ClickableTexts() const {
        std::vector<QWidget*> texts;
        for (const char* name : {"TextPlus", "TextMoins", "TextMult", "TextDiv", "saisietva",
                                 "SaisieMnt", "Saisie2", "EditTxTEG", "EditNbJour"}) {
            texts.push_back(Find<QWidget>(name));
        }
        return texts;
    }

    void ClickVisible(const std::vector<QWidget*>& candidates) {
        QWidget* target =
            candidates[static_cast<std::size_t>(Pick(static_cast<int>(candidates.size())))];
        if (!target->isVisible() || !target->isEnabled()) {
            return;
        }
        auto* radio = qobject_cast<QRadioButton*>(target);
        if (radio && radio->layoutDirection() == Qt::RightToLeft) {
            QTest::mouseClick(target, Qt::LeftButton, {},
                              QPoint(target->width() - 7, target->height() / 2));
        } else if (radio) {
            QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(7, target->height() / 2));
        } else {
            QTest::mouseClick(target, Qt::LeftButton, {},
                              QPoint(std::min(5, target->width() / 2), target->height() / 2));
        }
    }

    void PressShortcut() {
        struct Shortcut {
            Qt::Key key;
            Qt::KeyboardModifiers modifiers;
        };
        static const Shortcut shortcuts[] = {
            {Qt::Key_F5, Qt::NoModifier},     {Qt::Key_F6, Qt::NoModifier},
            {Qt::Key_F7, Qt::NoModifier},     {Qt::Key_F8, Qt::NoModifier},
            {Qt::Key_R, Qt::ControlModifier}, {Qt::Key_C, Qt::ControlModifier},
            {Qt::Key_I, Qt::ControlModifier}, {Qt::Key_F1, Qt::NoModifier}};
        const Shortcut& chosen = shortcuts[Pick(8)];
        if (chosen.key == Qt::Key_C) {
            AnswerTheNextDialog(Pick(2) ? Qt::Key_Return : Qt::Key_Escape);
        }
        QTest::keyClick(Focused() ? Focused() : window_.get(), chosen.key, chosen.modifiers);
        // Back from a dialog or the help window, the user is in the main window again.
        window_->activateWindow();
    }

    void AnswerTheNextDialog(Qt::Key key) {
        QTimer::singleShot(0, [this, key] {
            if (QWidget* dialog = QApplication::activeModalWidget()) {
                ++dialogsAnswered_;
                QTest::keyClick(dialog->focusWidget() ? dialog->focusWidget() : dialog, key);
            }
        });
    }

    bool StillResponsive() {
        bool answered = false;
        QTimer::singleShot(0, [&answered] { answered = true; });
        QApplication::processEvents();
        return answered;
    }

    void MoveSlider() {
        auto* slider = Find<QSlider>(Pick(2) ? "bar" : "BarCalcul");
        if (slider->isVisible()) {
            slider->triggerAction(Pick(2) ? QAbstractSlider::SliderSingleStepAdd
                                          : QAbstractSlider::SliderSingleStepSub);
        }
    }

    using Names = std::vector<const char*>;

    bool AnyVisible(const Names& names) const {
        return std::any_of(names.begin(), names.end(),
                           [this](const char* name) { return Visible(name); });
    }

    // Controls that share a place in the input panel and are never shown together.
    void CheckNoOverlapInTheInputPanel(int step) const {
        const Names slider = {"Label5", "bar", "Label6"};
        const Names memory = {"BMemPlus", "BMemMoins", "BRMem"};
        const Names moveUp = {"ButtonMonteCE"};
        const std::vector<std::pair<Names, Names>> exclusive = {{{"Saisie2"}, {"LabelTaxe"}},
                                                                {slider, memory},
                                                                {slider, moveUp},
                                                                {memory, moveUp},
                                                                {{"ButtonTransfert"}, moveUp}};
        for (const auto& [first, second] : exclusive) {
            EXPECT_FALSE(AnyVisible(first) && AnyVisible(second))
                << "step " << step << ": " << first.front() << " shown with " << second.front();
        }
    }

    void CheckExactlyOneChecked(std::initializer_list<const char*> group, int step) const {
        int checked = 0;
        for (const char* name : group) {
            checked += Radio(name)->isChecked() ? 1 : 0;
        }
        EXPECT_EQ(checked, 1) << "step " << step << " in the group of " << *group.begin();
    }

    void CheckTabMenuMatchesTheActiveTab(int step) const {
        const QString active = Find<QTabWidget>("PageControl")->currentWidget()->objectName();
        const std::pair<const char*, const char*> items[] = {{"MenuTabTVA", "TabTVA"},
                                                             {"MenuTabCalcul", "TabCalcul"},
                                                             {"MenuTabEuro", "TabEuro"},
                                                             {"MenuTabTEG", "TabTEG"}};
        int checked = 0;
        for (const auto& [item, tab] : items) {
            if (Action(item)->isChecked()) {
                ++checked;
                EXPECT_EQ(active, tab) << "step " << step;
            }
        }
        EXPECT_EQ(checked, 1) << "step " << step;
    }

    std::mt19937 random_{20261207};

  protected:
    QTemporaryDir outputs_;
    std::optional<AnsweringPrintServer> printServer_;
    int dialogsAnswered_ = 0;
};

TEST_F(RandomActions, KeepTheWindowConsistent) {
    constexpr int kSteps = 3000;
    QSet<QString> resultsSeen;
    QSet<QString> tabsSeen;
    for (int step = 0; step < kSteps; ++step) {
        RunRandomAction();
        CheckInvariants(step);
        if (HasFailure()) {
            break;
        }
        resultsSeen.insert(Result());
        tabsSeen.insert(Find<QTabWidget>("PageControl")->currentWidget()->objectName());
    }
    // The actions must have reached the whole window, or the checks above prove little.
    EXPECT_EQ(tabsSeen.size(), 4);
    EXPECT_GT(dialogsAnswered_, 10);
    EXPECT_TRUE(WaitForPrintToEnd());
    EXPECT_FALSE(printServer_->Documents().empty());
    EXPECT_GT(resultsSeen.size(), 100);
}

}  // namespace
}  // namespace chiffrel::testing_support
