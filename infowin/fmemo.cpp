#include "infowin/fmemo.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QScrollBar>
#include <QStringDecoder>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "forms/code_page_text.h"
#include "forms/event_rules.h"
#include "forms/form_style.h"
#include "forms/local_path.h"
#include "pictures/glyphs.h"
#include "platform/regular_file.h"
#include "ui_fmemo.h"

namespace chiffrel {

namespace {

constexpr int kMemoFontPixels = 13;  // 10 points

std::string Utf8(const QString& text) {
    return text.toStdString();
}

bool HasLineLongerThan(std::string_view text, std::size_t longest) {
    std::size_t line = 0;
    for (const char byte : text) {
        line = byte == '\n' || byte == '\r' ? 0 : line + 1;
        if (line > longest) {
            return true;
        }
    }
    return false;
}

// Anything but a regular file reads as a file that cannot be opened.
QByteArray ReadAtMostCapacity(const QString& path) {
    // One byte beyond the capacity tells a file that fits from one that does not.
    const std::optional<std::string> bytes =
        ReadRegularFile(ui::LocalPath(path), TMemoForm::kMemoCapacity + 1);
    if (!bytes) {
        throw HistoryOpenError(path);
    }
    if (bytes->size() > TMemoForm::kMemoCapacity ||
        HasLineLongerThan(*bytes, TMemoForm::kMemoLongestLine)) {
        throw MemoCapacityError();
    }
    return QByteArray::fromStdString(*bytes);
}

// The history is written in UTF-8; a file saved by an older editor in an 8-bit character set
// still shows its accented letters through the program's code page.
QString DecodeText(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (utf8.hasError()) {
        text = ui::ToQString(std::string_view(bytes.constData(), bytes.size()));
    }
    return text;
}

// The keys that read on in a text: line and page up and down, its start and its end.
bool ReadsOn(const QKeyEvent& key) {
    switch (key.keyCombination().toCombined()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case QKeyCombination(Qt::ControlModifier, Qt::Key_Home).toCombined():
        case QKeyCombination(Qt::ControlModifier, Qt::Key_End).toCombined():
            return true;
        default:
            return false;
    }
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
    UniqueFd file = OpenWithoutBlocking(ui::LocalPath(path));
    return file.valid() && IsRegularFile(file.get()) && file.close();
}

QString HistoryText(const QByteArray& bytes) {
    return WithUniformLineBreaks(DecodeText(bytes));
}

TMemoForm::TMemoForm(std::function<QString()> historyPath, QWidget* parent)
    : QDialog(parent), historyPath_(std::move(historyPath)), ui_(std::make_unique<Ui::MemoForm>()) {
    ui_->setupUi(this);
    ui::SetFixedDialogFrame(this);
    ui::MoveInsideScreen(this, QPoint(237, 173));
    ui::SetFormFont(this);
    ui::SetPixelHeight(ui_->Memo1, kMemoFontPixels);
    ui_->BitBtn1->setIcon(CloseGlyph());
    connect(ui_->BitBtn1, &QPushButton::clicked, this, &QDialog::reject);
    ui_->Memo1->verticalScrollBar()->setAccessibleName(
        QStringLiteral("Défilement de l'historique"));
    ui_->BitBtn1->installEventFilter(this);
}

TMemoForm::~TMemoForm() = default;

// The Tab key skips the text, so the keys that read on take the keyboard there from the button:
// the whole history can be read without a mouse.
bool TMemoForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui_->BitBtn1 && event->type() == QEvent::KeyPress &&
        ReadsOn(*static_cast<QKeyEvent*>(event))) {
        ui::MoveFocus(ui_->Memo1);
        QCoreApplication::sendEvent(ui_->Memo1, event);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TMemoForm::FormActivate() {
    const QString text = HistoryText(ReadAtMostCapacity(historyPath_()));
    if (text != ui_->Memo1->toPlainText()) {
        ui_->Memo1->setPlainText(text);
    }
}

}  // namespace chiffrel
