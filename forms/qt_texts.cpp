#include "forms/qt_texts.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <memory>

namespace chiffrel::ui {

QTranslator* InstallQtFrenchTexts() {
    auto catalogue = std::make_unique<QTranslator>(QCoreApplication::instance());
    if (!catalogue->load(QStringLiteral("qtbase_fr"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(catalogue.get())) {
        return nullptr;
    }
    return catalogue.release();
}

}  // namespace chiffrel::ui
