#pragma once

#include <QCoreApplication>
#include <QDialog>
#include <QLocale>
#include <QString>
#include <memory>

#include "components/GoToWeb.h"
#include "platform/file_date.h"

namespace Ui {
class about;
}

namespace chiffrel {

// The about box: the version label, the internal build version read from the executable's
// version information, the build date (the executable's last-write time) and the support
// contacts, whose web and mail addresses open in the user's browser when clicked.
class Tabout : public QDialog {
    Q_OBJECT

  public:
    // `versionLabel` is the program's version label, " v" and the version; `executablePath` the
    // file whose version information and date the box shows.
    explicit Tabout(QString versionLabel,
                    QString executablePath = QCoreApplication::applicationFilePath(),
                    QWidget* parent = nullptr);
    ~Tabout() override;

    // Sets the captions and the computed labels. The caller runs it each time it shows the box.
    void FormActivate();

    // Holds the same web and mail addresses as the two clickable labels.
    TGoToWeb GoToWeb1;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void Label5Click();
    void Label6Click();

    std::unique_ptr<Ui::about> ui_;
    QString versionLabel_;
    QString executablePath_;
};

// A date and time as the user's settings write it: the short date, then a blank and the long
// time (hours, minutes and seconds, without a time zone); the date alone at exactly midnight.
QString DateTimeText(const DosDateTime& dateTime, const QLocale& locale);

}  // namespace chiffrel
