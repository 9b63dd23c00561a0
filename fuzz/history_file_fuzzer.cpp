// Any bytes as a history file: HistoryText gives the text the history window shows. It holds
// no carriage return and one line feed per line break of the file (CR, LF or CR LF); UTF-8 is
// decoded as UTF-8, anything else byte for byte through code page 1252; and the text, saved
// again in UTF-8, reads back the same.
#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <cstdint>

#include "fuzz/fuzz_check.h"
#include "infowin/fmemo.h"

namespace chiffrel::fuzz {
namespace {

qsizetype LineBreaks(const QByteArray& bytes) {
    qsizetype breaks = 0;
    for (qsizetype at = 0; at < bytes.size(); ++at) {
        if (bytes[at] == '\n' ||
            (bytes[at] == '\r' && (at + 1 == bytes.size() || bytes[at + 1] != '\n'))) {
            ++breaks;
        }
    }
    return breaks;
}

}  // namespace
}  // namespace chiffrel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace chiffrel;
    using namespace chiffrel::fuzz;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString text = HistoryText(bytes);
    const std::string shown = text.toStdString();
    Require(!text.contains(u'\r'), "no carriage return is left", shown);
    Require(text.count(u'\n') == LineBreaks(bytes), "each line break of the file is one line feed",
            shown);
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString decoded = utf8.decode(bytes);
    if (!utf8.hasError()) {
        Require(QString(decoded)
                        .replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
                        .replace(u'\r', u'\n') == text,
                "UTF-8 is read as UTF-8", shown);
    } else {
        Require(text.size() == bytes.size() - bytes.count("\r\n"),
                "anything else is one character per byte", shown);
    }
    Require(HistoryText(text.toUtf8()) == text, "the text saved in UTF-8 reads back the same",
            shown);
    return 0;
}
