#pragma once

#include <QFile>
#include <QString>
#include <filesystem>

namespace chiffrel::ui {

// A file name from Qt as the system's file functions take it, in the encoding of the user's locale.
inline std::filesystem::path LocalPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

}  // namespace chiffrel::ui
