// What the windows look like on real desktops: a dark colour scheme, a scaled screen, the fonts
// that stand in for the forms' own.
#include <QAbstractButton>
#include <QCheckBox>
#include <QDialog>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QMap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <cmath>
#include <functional>

#include "components/CClock.h"
#include "infowin/fabout.h"
#include "infowin/fmemo.h"
#include "platform/qt/form_style.h"
#include "tests/mainwin/main_window_fixture.h"

namespace chiffrel::testing_support {
namespace {

// Relative luminance and contrast ratio as the accessibility guidelines define them.
double Luminance(const QColor& colour) {
    const auto linear = [](double channel) {
        return channel <= 0.03928 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) +
           0.0722 * linear(colour.blueF());
}

double Contrast(const QColor& a, const QColor& b) {
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The colour that covers most of `area` of the image.
QColor Background(const QImage& image, const QRect& area) {
    QMap<QRgb, int> counts;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            ++counts[image.pixel(x, y)];
        }
    }
    QRgb most = 0;
    int mostCount = -1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() > mostCount) {
            most = it.key();
            mostCount = it.value();
        }
    }
    return QColor(most);
}

QString TextOf(const QWidget* widget) {
    if (const auto* label = qobject_cast<const QLabel*>(widget)) {
        return label->text().trimmed();
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
        return button->text().trimmed();
    }
    if (const auto* box = qobject_cast<const QGroupBox*>(widget)) {
        return box->title();
    }
    // Fields show what the user types.
    const bool field =
        qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QPlainTextEdit*>(widget);
    return field ? QStringLiteral("typed") : QString();
}

QPalette::ColorRole TextRole(const QWidget* widget) {
    if (qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QPlainTextEdit*>(widget)) {
        return QPalette::Text;
    }
    return qobject_cast<const QPushButton*>(widget) ? QPalette::ButtonText : QPalette::WindowText;
}

// Every text that the user reads or types in `window` as it shows now stands out from what lies
// behind it by at least 3:1.
void ExpectReadable(QWidget* window, const QString& where) {
    const QImage image = window->grab().toImage();
    const qreal ratio = image.devicePixelRatio();
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(window) || !widget->isEnabled() || TextOf(widget).isEmpty()) {
            continue;
        }
        const QRect area(widget->mapTo(window, QPoint(0, 0)) * ratio, widget->size() * ratio);
        const QColor text = widget->palette().color(TextRole(widget));
        const QColor behind = Background(image, area.intersected(image.rect()));
        EXPECT_GE(Contrast(text, behind), 3.0)
            << where.toStdString() << ": " << widget->objectName().toStdString() << " "
            << text.name().toStdString() << " on " << behind.name().toStdString();
    }
}

// Every label, check box and radio button of `window` shows its whole text.
void ExpectWhole(QWidget* window, const QString& where) {
    window->grab();  // texts are fitted as they are painted
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        const QString text = TextOf(widget);
        if (!widget->isVisibleTo(window) || text.isEmpty()) {
            continue;
        }
        const std::string name = where.toStdString() + ": " + widget->objectName().toStdString();
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            // A framed label keeps half an "x" beside a text aligned on one side.
            const bool indented =
                label->frameWidth() > 0 && !(label->alignment() & Qt::AlignHCenter);
            const int indent = indented ? label->fontMetrics().horizontalAdvance('x') / 2 : 0;
            EXPECT_LE(label->fontMetrics().horizontalAdvance(text),
                      label->contentsRect().width() - indent)
                << name;
            EXPECT_LE(label->fontMetrics().height(), label->height()) << name;
        } else if (qobject_cast<QCheckBox*>(widget) || qobject_cast<QRadioButton*>(widget)) {
            const int spaces = static_cast<QAbstractButton*>(widget)->text().size() - text.size();
            const int blank = widget->fontMetrics().horizontalAdvance(QString(spaces, u' '));
            EXPECT_LE(widget->sizeHint().width() - blank, widget->width()) << name;
        }
    }
}

QPalette DarkScheme() {
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(0x22, 0x20, 0x20));
    dark.setColor(QPalette::WindowText, Qt::white);
    dark.setColor(QPalette::Base, QColor(0x3d, 0x3d, 0x3d));
    dark.setColor(QPalette::AlternateBase, QColor(0x5c, 0x5b, 0x5a));
    dark.setColor(QPalette::Text, Qt::white);
    dark.setColor(QPalette::Button, QColor(0x42, 0x42, 0x45));
    dark.setColor(QPalette::ButtonText, Qt::white);
    dark.setColor(QPalette::Light, QColor(0x97, 0x97, 0x97));
    dark.setColor(QPalette::Midlight, QColor(0x5e, 0x5c, 0x5b));
    dark.setColor(QPalette::Mid, QColor(0x4a, 0x49, 0x47));
    dark.setColor(QPalette::Dark, QColor(0x30, 0x2f, 0x2e));
    dark.setColor(QPalette::Highlight, QColor(0x12, 0x60, 0x8a));
    dark.setColor(QPalette::HighlightedText, QColor(0xf9, 0xf9, 0xf9));
    return dark;
}

class Appearance : public MainWindowTest {
  public:
    // What the table rows do as the user.
    using MainWindowTest::ClickIn;
    using MainWindowTest::ClickRadio;
    using MainWindowTest::ClickTab;
    using MainWindowTest::Field;
    using MainWindowTest::Type;

  protected:
    Appearance() { ui::InstallFontSubstitutes(); }
    ~Appearance() override { QApplication::setPalette(savedPalette_); }

    // Shows every window of the program in turn, each page of the tabs, and calls `check` on it.
    void ForEachView(const std::function<void(QWidget* window, const QString& where)>& check) {
        Type("100");
        for (int tab = 0; tab < 4; ++tab) {
            ClickTab(tab);
            Type("12");
            check(window_.get(), QStringLiteral("main window, tab %1").arg(tab));
        }
        Tabout about(context_->versionLabel);
        about.FormActivate();
        about.show();
        check(&about, QStringLiteral("about box"));
        TMemoForm history(context_->historyPath);
        history.show();
        check(&history, QStringLiteral("history"));
        // Waits for the dialog itself: a timer left by an earlier dialog may run first.
        QTimer waiting;
        bool walked = false;
        QObject::connect(&waiting, &QTimer::timeout, [&] {
            QWidget* dialog = QApplication::activeModalWidget();
            if (dialog == nullptr || dialog->objectName() != QLatin1String("Config")) {
                return;
            }
            waiting.stop();
            auto* pages = dialog->findChild<QTabWidget*>();
            for (int page = 0; page < pages->count(); ++page) {
                pages->setCurrentIndex(page);
                check(dialog, QStringLiteral("configuration, page %1").arg(page));
            }
            walked = true;
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
        waiting.start(1);
        Action("Configurer1")->trigger();
        EXPECT_TRUE(walked);
    }

    QPalette savedPalette_ = QApplication::palette();
};

class ColourScheme : public Appearance, public testing::WithParamInterface<bool> {};

TEST_P(ColourScheme, EveryTextStandsOutFromItsBackground) {
    if (GetParam()) {
        QApplication::setPalette(DarkScheme());
    }
    Open();
    ForEachView(ExpectReadable);
}

INSTANTIATE_TEST_SUITE_P(LightAndDark, ColourScheme, testing::Bool(),
                         [](const auto& info) { return info.param ? "Dark" : "Light"; });

struct FormColour {
    const char* control;
    QPalette::ColorRole role;
    QColor fixed;                      // the form's own colour
    QPalette::ColorRole schemeRole{};  // else the scheme's colour for this role
};

TEST_F(Appearance, UnderTheDefaultSchemeTheFormsColoursAreTheirOwn) {
    Open();
    const QPalette scheme = QApplication::palette();
    const FormColour colours[] = {
        {"LabelTaxe", QPalette::WindowText, QColor(0, 128, 255)},
        {"LabelTaxe", QPalette::Window, {}, QPalette::Window},
        {"Result", QPalette::WindowText, Qt::red},
        {"Result", QPalette::Window, Qt::white},
        {"Saisie2", QPalette::Base, Qt::white},
        {"Saisie2", QPalette::Text, {}, QPalette::Text},
        {"TextPlus", QPalette::Window, Qt::red},
        {"TextPlus", QPalette::WindowText, {}, QPalette::WindowText},
        {"TextMoins", QPalette::Window, {}, QPalette::Button},
        {"TextMoins", QPalette::WindowText, {}, QPalette::WindowText},
    };
    for (const FormColour& colour : colours) {
        const QColor expected =
            colour.fixed.isValid() ? colour.fixed : scheme.color(colour.schemeRole);
        EXPECT_EQ(Find<QWidget>(colour.control)->palette().color(colour.role), expected)
            << colour.control << " " << colour.role;
    }
}

TEST_F(Appearance, EveryTextShowsWholeInTheStandInFonts) {
    Open();
    ForEachView(ExpectWhole);
}

struct LongTextCase {
    const char* name;
    std::function<void(Appearance& test)> act;
    const char* result;
};

class LongestTexts : public Appearance, public testing::WithParamInterface<LongTextCase> {};

TEST_P(LongestTexts, ShowWholeAndANormalResultKeepsTheFormsFont) {
    Open();
    const QFont own = Label("Result")->font();
    GetParam().act(*this);
    EXPECT_EQ(Result(), GetParam().result);
    ExpectWhole(window_.get(), QString::fromLatin1(GetParam().name));
    ClickButton("ButtonRAZ");
    window_->grab();
    EXPECT_EQ(Label("Result")->font(), own);
}

INSTANTIATE_TEST_SUITE_P(
    Engines, LongestTexts,
    testing::Values(LongTextCase{"Product",
                                 [](Appearance& test) {
                                     test.ClickTab(1);
                                     test.Type("999999999");
                                     test.Field("Saisie2")->setFocus();
                                     test.Type("999999999");
                                     test.ClickIn("TextMult");
                                 },
                                 "999999998000103424.00"},
                    LongTextCase{"VatAndTaxOfATrillion",
                                 [](Appearance& test) { test.Type("1e12"); }, "1206000000000.00"},
                    LongTextCase{"LargestFixedConversion",
                                 [](Appearance& test) {
                                     test.ClickTab(2);
                                     test.ClickRadio("RadioEuroE");
                                     test.Type("-2e35");
                                 },
                                 "-1295101999998003760000000000000000000.0000"},
                    LongTextCase{"DollarRateLine",
                                 [](Appearance& test) {
                                     test.ClickTab(2);
                                     test.ClickRadio("RadioFrancsDollars");
                                 },
                                 "     0.00"}),
    [](const auto& info) { return info.param.name; });

// Run at each scale: the suite also runs on a screen scaled twice (QT_SCALE_FACTOR=2).
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
    for (const char* name : {"ButtonRAZ", "ButtonClose", "BitBtn1", "BitBtn2", "BitBtn3"}) {
        auto* button = Find<QAbstractButton>(name);
        const QPixmap glyph = button->icon().pixmap(button->iconSize(), ratio);
        EXPECT_EQ(glyph.devicePixelRatio(), ratio) << name;
        EXPECT_EQ(glyph.size(), button->iconSize() * ratio) << name;
    }
    const QPixmap& face = Find<TClock>("Clock1")->Face();
    EXPECT_EQ(face.devicePixelRatio(), ratio);
    EXPECT_EQ(face.size(), QSize(73, 57) * ratio);
    for (const auto& [name, size] :
         {std::pair{"Image1", QSize(36, 34)}, std::pair{"Image2", QSize(32, 32)}}) {
        const QPixmap picture = about.findChild<QLabel*>(QString::fromLatin1(name))->pixmap();
        EXPECT_EQ(picture.devicePixelRatio(), ratio) << name;
        EXPECT_EQ(picture.size(), size * ratio) << name;
    }
}

TEST_F(Appearance, DialogsOpenInsideTheScreenAndTheHistoryWhereItWasDesigned) {
    Open();
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    TMemoForm history(context_->historyPath);
    const QRect designed(QPoint(237, 173), history.size());
    if (available.contains(designed)) {
        EXPECT_EQ(history.geometry(), designed);
    }
    Tabout about(context_->versionLabel);
    for (const QWidget* window : std::initializer_list<const QWidget*>{&history, &about}) {
        const QRect shown = window->geometry();
        EXPECT_TRUE(available.contains(shown.topLeft())) << window->objectName().toStdString();
        const bool fits =
            shown.width() <= available.width() && shown.height() <= available.height();
        EXPECT_EQ(available.contains(shown), fits) << window->objectName().toStdString();
    }
}

}  // namespace
}  // namespace chiffrel::testing_support
