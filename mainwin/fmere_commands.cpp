// The main window's commands that act on a result or open another window: quit, configure,
// copy, print, the about box, the help and the history.

#include <QApplication>
#include <QClipboard>
#include <QDate>
#include <QScreen>

#include "engine/general_format.h"
#include "forms/accessibility.h"
#include "forms/error_and_modal.h"
#include "forms/event_rules.h"
#include "infowin/fabout.h"
#include "infowin/fmemo.h"
#include "mainwin/fmere.h"
#include "mainwin/menu_behaviour.h"
#include "mainwin/printing.h"
#include "mainwin/program_context.h"
#include "ui_fmere.h"

namespace chiffrel {

using ui::MoveFocus;

void Tmere::ButtonCloseClick() {
    context_.settingsFile.reset();
    // Ends the event loop rather than the process, so that the desktop's clipboard manager can
    // still take a result that was just copied.
    QCoreApplication::exit(0);
}

void Tmere::mConfigClick() {
    TConfig dialog(
        context_.values, *context_.settingsFile, *this,
        [this](int helpContext) { ShowHelpTopic(helpContext); }, this);
    dialog.LoadConversionFields();
    ShowModal(dialog);
    // The rate line names the rate of the direction in use, which the dialog may have changed.
    ShowRateLine(ConversionDirectionChecked());
    SaisieMntChange();
}

void Tmere::Button1Click() {
    // The whole stored result, not the rounded panel text, with the user's decimal separator.
    QString text = QString::fromLatin1(FormatGeneral(context_.values.lastResult, 15));
    text.replace(QLatin1Char('.'), context_.regionalSettings.decimalPoint());
    QGuiApplication::clipboard()->setText(text);
    MoveFocus(ui_->SaisieMnt);
    ui::Announce(QStringLiteral("Résultat copié : ") + text);
}

// The printer is found and the line printed on a thread of their own: the window goes on while
// the print system takes its time. A second print waits for the first: the print items are
// disabled until it ends.
void Tmere::Impressiondursultat1Click() {
    ui_->RichEdit1->clear();
    const QString date =
        context_.regionalSettings.toString(QDate::currentDate(), QLocale::ShortFormat);
    ui_->RichEdit1->setPlainText(QStringLiteral("La Chiffrel (") + date +
                                 QStringLiteral(")- Valeur de résultat : ") + ui_->Result->text());
    const QScreen* screen = QGuiApplication::primaryScreen();
    context_.printer.Start(
        PrintJob{ui_->RichEdit1->toPlainText(), ui_->RichEdit1->document()->defaultFont(),
                 QStringLiteral("La Chiffrel - Valeur de résultat"),
                 screen ? screen->logicalDotsPerInch() : 96.0},
        *this, [this](std::exception_ptr error) { PrintFinished(error); });
    SetPrintItemsEnabled(false);
    ui::Announce(QStringLiteral("Impression du résultat"));
}

// An error of the print reaches the error box here, on the window's thread.
void Tmere::PrintFinished(const std::exception_ptr& error) {
    SetPrintItemsEnabled(true);
    if (error) {
        ui::Guarded([&error] { std::rethrow_exception(error); });
    } else {
        ui::Announce(QStringLiteral("Résultat imprimé"));
    }
}

void Tmere::SetPrintItemsEnabled(bool enabled) {
    for (QAction* item :
         {ui_->Impressiondursultat1, ui_->Impressiondursultat2, ui_->Impressiondursultat3}) {
        item->setEnabled(enabled);
    }
}

void Tmere::mAProposClick() {
    ui::Guarded([this] { about_->FormActivate(); });
    ShowModal(*about_);
}

void Tmere::ShowHelpTopic(int context) {
    help_.ShowTopic(context_.helpFile, context);
}

void Tmere::Aide1Click() {
    ShowHelpTopic(kWindowHelpContext);
}

void Tmere::Historique1Click() {
    context_.historyPath = context_.programDirectory + QStringLiteral("history.txt");
    if (!HistoryFileReadable(context_.historyPath)) {
        ui::ShowMessage(
            QStringLiteral("Le fichier d'historique de Chiffrel n'a pas été trouvé "
                           "dans le répertoire de l'application !!"));
        return;
    }
    history_->setWindowTitle(
        QStringLiteral("Historique de construction de l'application Chiffrel"));
    ui::Guarded([this] { history_->FormActivate(); });
    ShowModal(*history_);
}

}  // namespace chiffrel
