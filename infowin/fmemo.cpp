#include "infowin/fmemo.h"

#include <QFile>
#include <QStringDecoder>

#include "infowin/pictures.h"
#include "platform/qt/form_style.h"
#include "ui_fmemo.h"

namespace chiffrel {

namespace {

constexpr int kFormFontPixels = 11;  // 8 points
constexpr int kMemoFontPixels = 13;  // 10 points

std::string Utf8(const QString& text) {
    return text.toStdString();
}

QByteArray ReadAtMostCapacity(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw HistoryOpenError(path);
    }
    // One byte beyond the capacity tells a file that fits from one that does not.
    QByteArray bytes = file.read(TMemoForm::kMemoCapacity + 1);
    if (file.error() != QFileDevice::NoError) {
        throw HistoryOpenError(path);
    }
    if (bytes.size() > TMemoForm::kMemoCapacity) {
        throw MemoCapacityError();
    }
    return bytes;
}

// The history is written in UTF-8; a file saved by an older editor in an 8-bit character set
// still shows its accented letters through Latin-1.
QString DecodeText(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (utf8.hasError()) {
        text = QString::fromLatin1(bytes);
    }
    return text;
}

QString WithUniformLineBreaks(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

}  // namespace

HistoryOpenError::HistoryOpenError(const QString& path)
    : ProgramError("Ne peut ouvrir le fichier " + Utf8(path)) {}

MemoCapacityError::MemoCapacityError() : ProgramError("Le texte dépasse la capacité du mémo") {}

bool HistoryFileReadable(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    file.close();
    return file.error() == QFileDevice::NoError;
}

TMemoForm::TMemoForm(const QString& historyPath, QWidget* parent)
    : QDialog(parent), historyPath_(historyPath), ui_(std::make_unique<Ui::MemoForm>()) {
    ui_->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(size());
    ui::MoveInsideScreen(this, QPoint(237, 173));
    ui::SetPixelHeight(this, kFormFontPixels);
    ui::SetPixelHeight(ui_->Memo1, kMemoFontPixels);
    ui_->BitBtn1->setIcon(CloseGlyph());
    connect(ui_->BitBtn1, &QPushButton::clicked, this, &QDialog::reject);
}

TMemoForm::~TMemoForm() = default;

void TMemoForm::FormActivate() {
    const QString text = WithUniformLineBreaks(DecodeText(ReadAtMostCapacity(historyPath_)));
    if (text != ui_->Memo1->toPlainText()) {
        ui_->Memo1->setPlainText(text);
    }
}

}  // namespace chiffrel
