#include "infowin/fabout.h"

#include <QDate>
#include <QDateTime>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTime>

#include "forms/accessibility.h"
#include "forms/form_style.h"
#include "forms/local_path.h"
#include "forms/text_fit.h"
#include "pictures/about_pictures.h"
#include "pictures/glyphs.h"
#include "platform/version_info.h"
#include "ui_fabout.h"

namespace chiffrel {

namespace {

// The long time format without its time-zone field ("t") and the blanks before it.
QString WithoutTimeZone(const QString& format) {
    QString kept;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == u'\'') {
            quoted = !quoted;
        } else if (!quoted && c == u't') {
            while (kept.endsWith(u' ')) {
                kept.chop(1);
            }
            continue;
        }
        kept += c;
    }
    return kept.trimmed();
}

// A link opens when the left button goes up over it after going down on it (the label holds the
// mouse between the two), or when Enter is pressed while it has the focus.
bool OpensLink(const QWidget& link, const QEvent& event) {
    if (event.type() == QEvent::MouseButtonRelease) {
        const auto& mouse = static_cast<const QMouseEvent&>(event);
        return mouse.button() == Qt::LeftButton && link.rect().contains(mouse.position().toPoint());
    }
    if (event.type() == QEvent::KeyPress) {
        const int key = static_cast<const QKeyEvent&>(event).key();
        return key == Qt::Key_Return || key == Qt::Key_Enter;
    }
    return false;
}

}  // namespace

QString DateTimeText(const DosDateTime& dateTime, const QLocale& locale) {
    const QDate date(dateTime.year, dateTime.month, dateTime.day);
    const QTime time(dateTime.hour, dateTime.minute, dateTime.second);
    QString text = locale.toString(date, QLocale::ShortFormat);
    if (time != QTime(0, 0)) {
        text +=
            u' ' + locale.toString(time, WithoutTimeZone(locale.timeFormat(QLocale::LongFormat)));
    }
    return text;
}

Tabout::Tabout(QString versionLabel, QString executablePath, QWidget* parent)
    : QDialog(parent),
      ui_(std::make_unique<Ui::about>()),
      versionLabel_(std::move(versionLabel)),
      executablePath_(std::move(executablePath)) {
    ui_->setupUi(this);
    ui::SetFixedDialogFrame(this);
    ui::SetFormFont(this);
    ui::CentreOnScreen(this);

    ui::ShowPicture(ui_->Image1, CalculatorPicture());
    ui::ShowPicture(ui_->Image2, CoinIcon());
    ui_->BitBtn1->setIcon(CloseGlyph());
    ui_->BitBtn1->raise();
    connect(ui_->BitBtn1, &QPushButton::clicked, this, &QDialog::reject);

    for (QLabel* link : {ui_->Label5, ui_->Label6}) {
        ui::SetColourPair(link, QPalette::Window, ui::DesignPalette().color(QPalette::Window),
                          QPalette::WindowText, Qt::blue);
        link->installEventFilter(this);
    }
    GoToWeb1.SetUrl(ui_->Label5->text());
    GoToWeb1.SetEMail(ui_->Label6->text());
    GoToWeb1.SetEMailSubject(QStringLiteral("Chiffrel4-5"));
    GoToWeb1.SetBrowserState(TGoToWeb::gwMaximized);
    // The browser opens in a window of its own, or not at all: a screen reader's user is told.
    connect(&GoToWeb1, &TGoToWeb::Finished, this, [](bool started) {
        ui::Announce(started ? QStringLiteral("Navigateur ouvert")
                             : QStringLiteral("Aucun navigateur n'a pu être ouvert"));
    });
    ui::KeepTextsWhole(this);
}

Tabout::~Tabout() = default;

void Tabout::FormActivate() {
    const std::string executable = ui::LocalPath(executablePath_).string();
    ui_->GroupBox->setTitle(QStringLiteral("Chiffrel 32bits - ") + versionLabel_);
    ui_->Label10->setText(QStringLiteral("Construction interne v") +
                          QString::fromStdString(GetVersion(executable)));
    setWindowTitle(QStringLiteral("A propos de La Chiffrel..."));
    ui_->Label7->setText(QStringLiteral("Compilation du ") +
                         DateTimeText(FileDateOf(executable), QLocale::system()));
}

bool Tabout::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == ui_->Label5 || watched == ui_->Label6) &&
        OpensLink(*static_cast<QWidget*>(watched), *event)) {
        if (watched == ui_->Label5) {
            Label5Click();
        } else {
            Label6Click();
        }
        // Enter belongs to the link, not to the box's buttons.
        return event->type() == QEvent::KeyPress;
    }
    return QDialog::eventFilter(watched, event);
}

// The box opens with the keyboard on "&Fermer", its first tab stop, before the two addresses.
void Tabout::showEvent(QShowEvent* event) {
    // Only the address itself is clickable. Measured here rather than at start-up, where the
    // box is made hidden: a label that takes the focus lays its text out as a document.
    for (QLabel* link : {ui_->Label5, ui_->Label6}) {
        link->adjustSize();
    }
    ui_->BitBtn1->setFocus();
    QDialog::showEvent(event);
}

void Tabout::Label5Click() {
    GoToWeb1.OpenUrl();
}

void Tabout::Label6Click() {
    GoToWeb1.OpenEMail();
}

}  // namespace chiffrel
