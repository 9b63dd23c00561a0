#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <memory>

#include "engine/program_error.h"

namespace Ui {
class MemoForm;
}

namespace chiffrel {

// The history file could not be opened or read: "Ne peut ouvrir le fichier <path>".
class HistoryOpenError : public ProgramError {
  public:
    explicit HistoryOpenError(const QString& path);
};

// The history file is larger than the history window's text box holds, or has a longer line.
class MemoCapacityError : public ProgramError {
  public:
    MemoCapacityError();
};

// Whether the file is a regular file that can be opened for reading (it is opened and closed
// again at once).
bool HistoryFileReadable(const QString& path);

// The text the history window shows for the bytes of a history file: UTF-8, or code page 1252
// when the bytes are not UTF-8, with every line break (CR, LF or CR LF) made one.
QString HistoryText(const QByteArray& bytes);

// The history window: a read-only text box showing a text file, reloaded at every showing.
class TMemoForm : public QDialog {
    Q_OBJECT

  public:
    // The most bytes of text the box takes, and of one line of it; a file beyond either is
    // refused rather than cut. Qt's text box takes time in the square of a line's length, the
    // more so when the line may break anywhere or its letters change direction: the whole
    // capacity in lines of the longest still lays out at once, however hard they are to lay out.
    static constexpr qint64 kMemoCapacity = 64 * 1024;
    static constexpr qint64 kMemoLongestLine = 4 * 1024;

    // `historyPath` gives the path of the history file, which the main window sets only when
    // the user first asks for the history: it is asked again at every activation.
    explicit TMemoForm(std::function<QString()> historyPath, QWidget* parent = nullptr);
    ~TMemoForm() override;

    // Loads the file into the text box as HistoryText; the box is not touched when the text is
    // the one it already shows. The caller runs it each time it shows the window. Throws
    // HistoryOpenError (also for anything but a regular file) or MemoCapacityError, the box
    // then keeping its previous text.
    void FormActivate();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    std::function<QString()> historyPath_;
    std::unique_ptr<Ui::MemoForm> ui_;
};

}  // namespace chiffrel
