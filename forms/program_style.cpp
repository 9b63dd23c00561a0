#include "forms/program_style.h"

#include <QPainter>
#include <QStyleOption>
#include <QWidget>
#include <algorithm>

namespace chiffrel::ui {

namespace {

// The forms' check boxes and radio buttons are 17 pixels high, some of them 18 apart.
constexpr int kLargestIndicator = 17;

// The classic styles draw a tab no taller than its text and 12 pixels above and below it
// together; the tab pages below the tabs were laid out for that.
constexpr int kLargestTabMargins = 12;

bool IsIndicator(QStyle::PrimitiveElement element) {
    return element == QStyle::PE_IndicatorCheckBox || element == QStyle::PE_IndicatorRadioButton;
}

bool IsIndicatorRect(QStyle::SubElement element) {
    return element == QStyle::SE_CheckBoxIndicator || element == QStyle::SE_RadioButtonIndicator;
}

bool IsIndicatorSize(QStyle::PixelMetric metric) {
    return metric == QStyle::PM_IndicatorWidth || metric == QStyle::PM_IndicatorHeight ||
           metric == QStyle::PM_ExclusiveIndicatorWidth ||
           metric == QStyle::PM_ExclusiveIndicatorHeight;
}

bool IsHorizontalTab(const QStyleOption* option) {
    const auto* tab = qstyleoption_cast<const QStyleOptionTab*>(option);
    return tab != nullptr &&
           (tab->shape == QTabBar::RoundedNorth || tab->shape == QTabBar::RoundedSouth ||
            tab->shape == QTabBar::TriangularNorth || tab->shape == QTabBar::TriangularSouth);
}

}  // namespace

QIcon ProgramStyle::standardIcon(StandardPixmap picture, const QStyleOption* option,
                                 const QWidget* widget) const {
    if (picture == SP_ToolBarHorizontalExtensionButton) {
        return {};
    }
    return QProxyStyle::standardIcon(picture, option, widget);
}

int ProgramStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                            QStyleHintReturn* returnData) const {
    if (hint == SH_MenuBar_AltKeyNavigation) {
        return 1;
    }
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

int ProgramStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                              const QWidget* widget) const {
    const int size = QProxyStyle::pixelMetric(metric, option, widget);
    return IsIndicatorSize(metric) ? std::min(size, kLargestIndicator) : size;
}

QSize ProgramStyle::sizeFromContents(ContentsType type, const QStyleOption* option,
                                     const QSize& size, const QWidget* widget) const {
    QSize wanted = QProxyStyle::sizeFromContents(type, option, size, widget);
    if (type == CT_TabBarTab && widget != nullptr && IsHorizontalTab(option)) {
        wanted.setHeight(
            std::min(wanted.height(), widget->fontMetrics().height() + kLargestTabMargins));
    }
    return wanted;
}

// A larger indicator's place keeps its centre; the text stays where the style puts it.
QRect ProgramStyle::subElementRect(SubElement element, const QStyleOption* option,
                                   const QWidget* widget) const {
    QRect place = QProxyStyle::subElementRect(element, option, widget);
    if (IsIndicatorRect(element) &&
        (place.width() > kLargestIndicator || place.height() > kLargestIndicator)) {
        const QPoint centre = place.center();
        place.setSize(place.size().boundedTo(QSize(kLargestIndicator, kLargestIndicator)));
        place.moveCenter(centre);
    }
    return place;
}

// A larger indicator is drawn by the style at its own size, scaled down into its place.
void ProgramStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                 QPainter* painter, const QWidget* widget) const {
    const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
    if (!IsIndicator(element) || button == nullptr) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    const bool radio = element == PE_IndicatorRadioButton;
    const QSize own(baseStyle()->pixelMetric(radio ? PM_ExclusiveIndicatorWidth : PM_IndicatorWidth,
                                             option, widget),
                    baseStyle()->pixelMetric(
                        radio ? PM_ExclusiveIndicatorHeight : PM_IndicatorHeight, option, widget));
    if (own.isEmpty() ||
        (option->rect.width() >= own.width() && option->rect.height() >= own.height())) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    QStyleOptionButton drawn = *button;
    drawn.rect = QRect(QPoint(), own);
    painter->save();
    painter->translate(option->rect.topLeft());
    painter->scale(qreal(option->rect.width()) / own.width(),
                   qreal(option->rect.height()) / own.height());
    QProxyStyle::drawPrimitive(element, &drawn, painter, widget);
    painter->restore();
}

}  // namespace chiffrel::ui
