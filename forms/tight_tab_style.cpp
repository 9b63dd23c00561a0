#include "forms/tight_tab_style.h"

#include <QApplication>
#include <QTabBar>

namespace chiffrel::ui {

namespace {

constexpr int kTextMarginBeside = 5;
constexpr int kTextMarginAboveAndBelow = 2;

class TightTabStyle : public QProxyStyle {
  public:
    TightTabStyle() : QProxyStyle(QStringLiteral("Windows")) {}

    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        switch (metric) {
            case PM_TabBarTabHSpace:
                return 2 * kTextMarginBeside;
            case PM_TabBarTabVSpace:
                return 2 * kTextMarginAboveAndBelow;
            case PM_TabBarTabShiftHorizontal:
            case PM_TabBarTabShiftVertical:
                return 0;  // the chosen tab's text stays level with the others
            default:
                return QProxyStyle::pixelMetric(metric, option, widget);
        }
    }

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override {
        if (element == PE_FrameFocusRect) {
            QApplication::style()->drawPrimitive(element, option, painter, widget);
            return;
        }
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }
};

}  // namespace

void GiveTightTabs(QTabBar* tabs) {
    auto* style = new TightTabStyle;
    style->setParent(tabs);
    tabs->setStyle(style);
}

}  // namespace chiffrel::ui
