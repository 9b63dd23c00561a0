// The windows on real desktops: a dark colour scheme, a scaled screen, the stand-in fonts.
#include <QCheckBox>
#include <QMap>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOptionButton>
#include <QTabBar>
#include <QTimer>
#include <QWindow>
#include <cmath>

#include "components/CClock.h"
#include "forms/form_style.h"
#include "forms/program_style.h"
#include "infowin/fabout.h"
#include "infowin/fmemo.h"
#include "tests/mainwin/main_window_fixture.h"

namespace chiffrel::testing_support {
namespace {

// Contrast ratio of two colours from their relative luminance, as the accessibility guidelines
// define them.
double Contrast(const QColor& a, const QColor& b) {
    const auto luminance = [](const QColor& c) {
        const auto linear = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
    };
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The colour that covers most of `area`: what lies behind a text.
QColor MostCommonColour(const QImage& image, const QRect& area) {
    QMap<QRgb, int> counts;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            ++counts[image.pixel(x, y)];
        }
    }
    return QColor(std::max_element(counts.cbegin(), counts.cend()).key());
}

// Every enabled text that the user reads or types in `window` stands out 3:1 from its ground.
void ExpectReadable(QWidget* window, const QString& where) {
    const QImage image = window->grab().toImage();
    const qreal ratio = image.devicePixelRatio();
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        const bool field = qobject_cast<QLineEdit*>(widget) != nullptr;
        const auto* label = qobject_cast<QLabel*>(widget);
        const auto* button = qobject_cast<QAbstractButton*>(widget);
        const bool text =
            (label && !label->text().isEmpty()) || (button && !button->text().isEmpty());
        if (!widget->isVisibleTo(window) || !widget->isEnabled() || !(field || text)) {
            continue;
        }
        const QPalette::ColorRole role = field ? QPalette::Text
                                         : qobject_cast<QPushButton*>(widget)
                                             ? QPalette::ButtonText
                                             : QPalette::WindowText;
        const QColor ink = widget->palette().color(role);
        const QRect area(widget->mapTo(window, QPoint()) * ratio, widget->size() * ratio);
        const QColor ground = MostCommonColour(image, area.intersected(image.rect()));
        EXPECT_GE(Contrast(ink, ground), 3.0)
            << qPrintable(where) << " " << qPrintable(widget->objectName()) << " "
            << qPrintable(ink.name() + " on " + ground.name());
    }
}

// Every tab of `bar` lies inside the bar, wide enough for its text: none is cut, elided or
// scrolled out of sight.
void ExpectTabsWhole(const QTabBar* bar, const QString& name) {
    for (int tab = 0; tab < bar->count(); ++tab) {
        const QRect shown = bar->tabRect(tab);
        EXPECT_TRUE(bar->rect().contains(shown)) << qPrintable(name) << " tab " << tab;
        EXPECT_LE(bar->fontMetrics().horizontalAdvance(bar->tabText(tab)), shown.width())
            << qPrintable(name) << " tab " << tab;
    }
}

// Every label, check box, radio button and tab of `window` shows its whole text.
void ExpectWhole(QWidget* window, const QString& where) {
    window->grab();  // texts are fitted as they are painted
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        if (const auto* bar = qobject_cast<const QTabBar*>(widget)) {
            ExpectTabsWhole(bar, where + " " + bar->parentWidget()->objectName());
            continue;
        }
        auto* label = qobject_cast<QLabel*>(widget);
        const bool box = qobject_cast<QCheckBox*>(widget) || qobject_cast<QRadioButton*>(widget);
        if (!widget->isVisibleTo(window) || (label == nullptr && !box)) {
            continue;
        }
        const QString name = where + " " + widget->objectName();
        if (label != nullptr) {
            // A framed label keeps half an "x" beside a text aligned on one side.
            const bool indented =
                label->frameWidth() > 0 && !(label->alignment() & Qt::AlignHCenter);
            const QFontMetrics metrics = label->fontMetrics();
            EXPECT_LE(
                metrics.horizontalAdvance(label->text().trimmed()),
                label->contentsRect().width() - (indented ? metrics.horizontalAdvance('x') / 2 : 0))
                << qPrintable(name);
        } else if (!static_cast<QAbstractButton*>(widget)->text().startsWith(u' ')) {
            EXPECT_LE(widget->sizeHint().width(), widget->width()) << qPrintable(name);
        }
    }
}

// Whether a check box or radio button draws itself, indicator included, inside its own place:
// then two choices placed apart do not overlap, whatever size the style gives its indicators.
bool DrawsInside(const QAbstractButton* choice) {
    constexpr int kAround = 8;
    QImage image(choice->size() + QSize(2 * kAround, 2 * kAround), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.translate(kAround, kAround);
    QStyleOptionButton option;
    option.initFrom(choice);
    option.text = choice->text();
    option.state |= choice->isChecked() ? QStyle::State_On : QStyle::State_Off;
    const bool radio = qobject_cast<const QRadioButton*>(choice) != nullptr;
    choice->style()->drawControl(radio ? QStyle::CE_RadioButton : QStyle::CE_CheckBox, &option,
                                 &painter, choice);
    painter.end();
    const QRect inside(QPoint(kAround, kAround), choice->size());
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (!inside.contains(x, y) && qAlpha(image.pixel(x, y)) != 0) {
                return false;
            }
        }
    }
    return true;
}

// Every control of the tab page shown lies whole inside the page, and no choice of `window`
// draws beyond its place.
void ExpectPlacedWhole(QWidget* window, const QString& where) {
    for (const QTabWidget* tabs : window->findChildren<QTabWidget*>()) {
        const QWidget* page = tabs->currentWidget();
        for (QWidget* control : page->findChildren<QWidget*>()) {
            EXPECT_TRUE(
                !control->isVisibleTo(page) ||
                page->rect().contains(QRect(control->mapTo(page, QPoint()), control->size())))
                << qPrintable(where + " " + control->objectName());
        }
    }
    for (const QAbstractButton* choice : window->findChildren<QAbstractButton*>()) {
        const bool box =
            qobject_cast<const QCheckBox*>(choice) || qobject_cast<const QRadioButton*>(choice);
        EXPECT_TRUE(!box || !choice->isVisibleTo(window) || DrawsInside(choice))
            << qPrintable(where + " " + choice->objectName());
    }
}

// The clock's hands stand out 3:1 from its face: the centre, where every hand starts, against the
// colour that covers most of the clock.
void ExpectHandsReadable(QWidget* clock) {
    const QImage image = clock->grab().toImage();
    const qreal ratio = image.devicePixelRatio();
    const QColor hands = image.pixelColor(QPoint(clock->width() / 2, clock->height() / 2) * ratio);
    const QColor face = MostCommonColour(image, image.rect());
    EXPECT_GE(Contrast(hands, face), 3.0) << qPrintable(hands.name() + " on " + face.name());
}

class Appearance : public MainWindowTest {
  public:
    using MainWindowTest::ClickIn;
    using MainWindowTest::ClickRadio;
    using MainWindowTest::ClickTab;
    using MainWindowTest::Field;
    using MainWindowTest::Type;

  protected:
    Appearance() { ui::InstallFontSubstitutes(); }
    ~Appearance() override {
        QApplication::setStyle(savedStyle_);
        QApplication::setPalette(savedPalette_);
    }

    // Calls `check` on every page of the main window, the about box and every page of the
    // configuration dialog, shown in turn.
    void ForEachView(const std::function<void(QWidget*, const QString&)>& check) {
        Type("100");
        for (int tab = 0; tab < 4; ++tab) {
            ClickTab(tab);
            check(window_.get(), QStringLiteral("main window tab %1").arg(tab));
        }
        Tabout about(context_->versionLabel);
        about.FormActivate();
        about.show();
        // Seen as the user sees it, active: some styles grey the texts of inactive windows.
        about.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&about));
        check(&about, QStringLiteral("about box"));
        // Waits for the dialog itself: a timer left by an earlier dialog may run first.
        QTimer waiting;
        int pagesSeen = 0;
        QObject::connect(&waiting, &QTimer::timeout, [&] {
            QWidget* dialog = QApplication::activeModalWidget();
            if (dialog != nullptr && dialog->objectName() == QLatin1String("Config")) {
                waiting.stop();
                dialog->activateWindow();
                EXPECT_TRUE(QTest::qWaitForWindowActive(dialog));
                auto* pages = dialog->findChild<QTabWidget*>();
                for (; pagesSeen < pages->count(); ++pagesSeen) {
                    pages->setCurrentIndex(pagesSeen);
                    check(dialog, QStringLiteral("configuration page %1").arg(pagesSeen));
                }
                QTest::keyClick(dialog, Qt::Key_Escape);
            }
        });
        waiting.start(1);
        Action("Configurer1")->trigger();
        EXPECT_EQ(pagesSeen, 4);
    }

    QString savedStyle_ = QApplication::style()->name();
    QPalette savedPalette_ = QApplication::palette();
};

// A style, in its own palette or under a dark scheme given to the application, as the GTK
// platform theme gives the dark Adwaita theme's colours.
struct SchemeCase {
    const char* name;
    const char* style;
    bool darkScheme;
};

class ColourScheme : public Appearance, public testing::WithParamInterface<SchemeCase> {
  protected:
    // Opens the main window under the row's style and scheme.
    void OpenInStyle() {
        QStyle* style = QStyleFactory::create(QString::fromLatin1(GetParam().style));
        ASSERT_NE(style, nullptr) << GetParam().style << " is not installed (Debian adwaita-qt6)";
        // As the program has it: the desktop's style under the program's own.
        QApplication::setStyle(new ui::ProgramStyle(style));
        if (GetParam().darkScheme) {
            QPalette dark;
            for (const auto role : {QPalette::Window, QPalette::Button}) {
                dark.setColor(role, QColor(0x32, 0x32, 0x32));
            }
            dark.setColor(QPalette::Base, QColor(0x24, 0x24, 0x24));
            for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
                dark.setColor(role, QColor(0xf0, 0xf0, 0xf0));
            }
            QApplication::setPalette(dark);
        }
        Open();
    }
};

TEST_P(ColourScheme, EveryTextAndTheClocksHandsAreReadableAndWhole) {
    OpenInStyle();
    ExpectHandsReadable(Find<QWidget>("Clock1"));
    ForEachView([](QWidget* window, const QString& where) {
        ExpectReadable(window, where);
        ExpectWhole(window, where);
        ExpectPlacedWhole(window, where);
    });
}

// Escape out of a menu opened from the keyboard leaves the menu bar with the keyboard: a second
// Escape leaves the menu bar rather than reach the window, where it quits.
TEST_P(ColourScheme, SecondEscapeOutOfAMenuKeepsTheProgram) {
    OpenInStyle();
    Key(Qt::Key_F, Qt::AltModifier);
    ASSERT_NE(QApplication::activePopupWidget(), nullptr);
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
    Key(Qt::Key_Escape);
    EXPECT_TRUE(context_->settingsFile.has_value());
}

INSTANTIATE_TEST_SUITE_P(LightAndDark, ColourScheme,
                         testing::Values(SchemeCase{"Light", "Fusion", false},
                                         SchemeCase{"Dark", "Fusion", true},
                                         SchemeCase{"WindowsDark", "Windows", true},
                                         SchemeCase{"AdwaitaDark", "Adwaita-Dark", false},
                                         SchemeCase{"Adwaita", "Adwaita", false}),
                         [](const auto& info) { return info.param.name; });

TEST_F(Appearance, UnderTheDefaultSchemeTheFormsColoursAreTheirOwn) {
    Open();
    const QPalette scheme = QApplication::palette();
    const std::tuple<const char*, QPalette::ColorRole, QColor> colours[] = {
        {"LabelTaxe", QPalette::WindowText, QColor(0, 128, 255)},
        {"Result", QPalette::WindowText, Qt::red},
        {"Result", QPalette::Window, Qt::white},
        {"Saisie2", QPalette::Base, Qt::white},
        {"TextPlus", QPalette::Window, Qt::red},
        // Set beside the colours above, as the scheme gives them anyway.
        {"LabelTaxe", QPalette::Window, scheme.color(QPalette::Window)},
        {"Saisie2", QPalette::Text, scheme.color(QPalette::Text)},
        {"TextPlus", QPalette::WindowText, scheme.color(QPalette::WindowText)},
        {"TextMoins", QPalette::Window, scheme.color(QPalette::Button)}};
    for (const auto& [control, role, colour] : colours) {
        EXPECT_EQ(Find<QWidget>(control)->palette().color(role), colour) << control << role;
    }
}

struct LongTextCase {
    const char* name;
    std::function<void(Appearance&)> act;
    const char* result;
};

class LongestTexts : public Appearance, public testing::WithParamInterface<LongTextCase> {};

TEST_P(LongestTexts, ShowWholeWhileANormalResultKeepsTheFormsFont) {
    Open();
    const QFont own = Label("Result")->font();
    GetParam().act(*this);
    EXPECT_EQ(Result(), GetParam().result);
    ExpectWhole(window_.get(), QString::fromLatin1(GetParam().name));
    ClickButton("ButtonRAZ");
    window_->grab();
    EXPECT_EQ(Label("Result")->font(), own);
}

INSTANTIATE_TEST_SUITE_P(Engines, LongestTexts,
                         testing::Values(LongTextCase{"Product",
                                                      [](Appearance& test) {
                                                          test.ClickTab(1);
                                                          test.Type("999999999");
                                                          test.Field("Saisie2")->setFocus();
                                                          test.Type("999999999");
                                                          test.ClickIn("TextMult");
                                                      },
                                                      "999999998000103424.00"},
                                         LongTextCase{"LargestFixedAmountWithTheDollarLine",
                                                      [](Appearance& test) {
                                                          test.ClickTab(2);
                                                          test.ClickRadio("RadioDollarsFrancs");
                                                          test.Type("-2e35");
                                                      },
                                                      "-1189239999999319820000000000000000000.00"}),
                         [](const auto& info) { return info.param.name; });

// Also run on a screen scaled twice (QT_SCALE_FACTOR=2).
TEST_F(Appearance, PicturesAreDrawnAtTheScreensPixelRatio) {
    Open();
    const qreal ratio = window_->devicePixelRatioF();
    if (qEnvironmentVariableIsSet("QT_SCALE_FACTOR")) {
        ASSERT_EQ(ratio, qEnvironmentVariable("QT_SCALE_FACTOR").toDouble());
    }
    Tabout about(context_->versionLabel);
    about.show();
    window_->grab();
    about.grab();
    std::vector<std::pair<QPixmap, QSize>> pictures = {
        {Find<TClock>("Clock1")->Face(), QSize(73, 57)},
        {about.findChild<QLabel*>(QStringLiteral("Image1"))->pixmap(), QSize(36, 34)}};
    for (const char* name : {"ButtonRAZ", "ButtonClose", "BitBtn1", "BitBtn2", "BitBtn3"}) {
        const auto* button = Find<QAbstractButton>(name);
        pictures.emplace_back(button->icon().pixmap(button->iconSize(), ratio), button->iconSize());
    }
    for (const auto& [picture, size] : pictures) {
        EXPECT_EQ(picture.devicePixelRatio(), ratio);
        EXPECT_EQ(picture.size(), size * ratio);
    }
}

// Made as the program makes them, belonging to the main window: the window manager keeps them
// over it, and they open where they would on their own.
TEST_F(Appearance, DialogsOpenInsideTheScreenTheHistoryWhereItWasDesigned) {
    Open();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    TMemoForm history([] { return QString(); }, window_.get());
    Tabout about(QString(), QString(), window_.get());
    const QRect designed(QPoint(237, 173), history.size());
    EXPECT_EQ(history.geometry() == designed, screen.contains(designed));
    for (QDialog* dialog : {static_cast<QDialog*>(&history), static_cast<QDialog*>(&about)}) {
        const QRect placed = dialog->geometry();
        EXPECT_TRUE(screen.contains(placed.topLeft()));
        EXPECT_EQ(screen.contains(placed),
                  placed.width() <= screen.width() && placed.height() <= screen.height());
        dialog->show();
        EXPECT_EQ(dialog->pos(), placed.topLeft());
        EXPECT_EQ(dialog->windowHandle()->transientParent(), window_->windowHandle());
        dialog->hide();
    }
}

}  // namespace
}  // namespace chiffrel::testing_support
