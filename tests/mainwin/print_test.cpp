#include <QDate>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QTextEdit>
#include <QTimer>
#include <optional>
#include <string>

#include "components/CClock.h"
#include "tests/mainwin/main_window_fixture.h"
#include "tests/mainwin/print_servers.h"

namespace chiffrel::testing_support {
namespace {

const QStringList kNoPrinter{"Aucune imprimante n'est installée : impression impossible."};

// The print command, on print servers of the tests' own.
class PrintCommand : public MainWindowTest {
  protected:
    QString SocketPath() const { return sockets_.filePath(QStringLiteral("cups.sock")); }

    // The text of a PDF document; with "-bbox", its pages and the places of its words.
    static QString TextOf(const QByteArray& pdf, const QString& options) {
        QProcess reader;
        reader.start(QStringLiteral("pdftotext"),
                     {options, QStringLiteral("-"), QStringLiteral("-")});
        reader.write(pdf);
        reader.closeWriteChannel();
        EXPECT_TRUE(reader.waitForFinished(30000));
        // Ligatures ("ff") come back as one character: compare the letters.
        return QString::fromUtf8(reader.readAllStandardOutput())
            .normalized(QString::NormalizationForm_KC);
    }

    // Prints on a server that answers at once and reads back the one document it was given.
    QString PrintAndReadBack(const QString& options = QStringLiteral("-raw")) {
        const AnsweringPrintServer server(SocketPath(), {});
        Key(Qt::Key_I, Qt::ControlModifier);
        EXPECT_TRUE(WaitForPrintToEnd());
        EXPECT_TRUE(errors_.shown.isEmpty()) << errors_.shown.join(' ').toStdString();
        const std::vector<QByteArray> documents = server.Documents();
        EXPECT_EQ(documents.size(), 1U);
        return documents.empty() ? QString() : TextOf(documents.front(), options);
    }

    // Quits as the user does, then lets a print under way end as the program does at exit.
    void QuitAndFinishPrinting() {
        QTimer::singleShot(0, [this] { Key(Qt::Key_Escape); });
        // Only if Escape failed. Tied to the window, so that it never fires in a later test.
        QTimer::singleShot(5000, window_.get(), [] { QCoreApplication::exit(99); });
        EXPECT_EQ(QApplication::exec(), 0);
        window_->hide();
        context_->printer.FinishBeforeExit();
    }

    void CountClockTicks() {
        Find<TClock>("Clock1")->SetOnSecond([this](TClock&) { ++ticks_; });
    }

    // A print server of the test's own: one that answers as `answering` says, else a silent one.
    void StartServer(const std::optional<PrintServerBehaviour>& answering) {
        if (answering) {
            answering_.emplace(SocketPath(), *answering);
        } else {
            silent_.emplace(SocketPath());
        }
    }

    QTemporaryDir sockets_;
    std::optional<AnsweringPrintServer> answering_;
    std::optional<SilentPrintServer> silent_;
    int ticks_ = 0;
};

TEST_F(PrintCommand, PrintsOneLineWithTheDateAndThePanelText) {
    Open();
    context_->regionalSettings = QLocale(QLocale::French, QLocale::France);
    Key(Qt::Key_F6);
    Type("12");
    Field("Saisie2")->setFocus(Qt::TabFocusReason);
    Type("24");
    ASSERT_EQ(Result(), "    36.00");
    const QString printed = PrintAndReadBack();
    const QString date = QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy"));
    EXPECT_EQ(Find<QTextEdit>("RichEdit1")->toPlainText(),
              QStringLiteral("La Chiffrel (%1)- Valeur de résultat :     36.00").arg(date));
    EXPECT_TRUE(
        printed.contains(QStringLiteral("La Chiffrel (%1)- Valeur de résultat :").arg(date)))
        << printed.toStdString();
    EXPECT_TRUE(printed.contains(QStringLiteral("36.00"))) << printed.toStdString();
    EXPECT_EQ(Result(), "    36.00");
}

TEST_F(PrintCommand, PrintsOverThePrintableAreaOfThePrintersPage) {
    Open();
    const QString boxes = PrintAndReadBack(QStringLiteral("-bbox"));
    // The printer's A4 page, in points.
    const QRegularExpressionMatch page =
        QRegularExpression(QStringLiteral("<page width=\"([0-9.]+)\" height=\"([0-9.]+)\""))
            .match(boxes);
    ASSERT_TRUE(page.hasMatch()) << boxes.toStdString();
    EXPECT_NEAR(page.captured(1).toDouble(), 595.3, 1.0);
    EXPECT_NEAR(page.captured(2).toDouble(), 841.9, 1.0);
    // The first word starts at the printer's left margin (a sixth of an inch, 12 points): not
    // outside the printable area, not two centimetres in.
    const qsizetype at = boxes.indexOf(QStringLiteral("<word xMin=\""));
    ASSERT_GE(at, 0) << boxes.toStdString();
    const double left = boxes.mid(at + 12, 8).section(QLatin1Char('"'), 0, 0).toDouble();
    EXPECT_GE(left, 11.5) << boxes.toStdString();
    EXPECT_LT(left, 20.0) << boxes.toStdString();
    EXPECT_FALSE(boxes.contains(QStringLiteral(">1</word>")));  // no page number
}

struct FailureCase {
    const char* name;
    std::optional<PrintServerBehaviour> server;  // none: nothing listens
    QStringList shown;
};

class PrintFailure : public PrintCommand, public testing::WithParamInterface<FailureCase> {};

TEST_P(PrintFailure, IsShownAndChangesNothing) {
    const FailureCase& c = GetParam();
    Open();
    Type("100");
    const PrintServerAddress address(SocketPath());
    if (c.server) {
        answering_.emplace(SocketPath(), *c.server);
    }
    Key(Qt::Key_I, Qt::ControlModifier);
    EXPECT_TRUE(WaitForPrintToEnd());
    EXPECT_EQ(errors_.shown, c.shown);
    EXPECT_EQ(Result(), "   120.60");
    EXPECT_TRUE(!answering_ || answering_->Documents().empty());
    // Each request once: nothing is followed or sent again.
    EXPECT_LE(answering_ ? answering_->Requests() : 0, 4);
}

using After = PrintServerBehaviour::AfterDocument;

INSTANTIATE_TEST_SUITE_P(
    Servers, PrintFailure,
    testing::Values(
        FailureCase{"NothingListens", std::nullopt, kNoPrinter},
        FailureCase{"NoDefaultPrinter", PrintServerBehaviour{.hasDefaultPrinter = false},
                    kNoPrinter},
        FailureCase{"JobRefused",
                    PrintServerBehaviour{.refusesJobs = true},
                    {"Le système d'impression a refusé l'impression : The printer is not "
                     "accepting jobs."}},
        FailureCase{"RefusedInMarkup",
                    PrintServerBehaviour{.refusesJobs = true, .refusal = "<img src=\"/dev/zero\">"},
                    {"Le système d'impression a refusé l'impression : <img "
                     "src=\"/dev/zero\">"}},
        FailureCase{"RefusedWithoutAReason",
                    PrintServerBehaviour{.refusesJobs = true, .refusal = ""},
                    {"Le système d'impression a refusé l'impression."}},
        FailureCase{"RedirectsEverything",
                    PrintServerBehaviour{.httpAnswer = HTTP_STATUS_MOVED_PERMANENTLY}, kNoPrinter},
        FailureCase{"AsksForAPassword",
                    PrintServerBehaviour{.httpAnswer = HTTP_STATUS_UNAUTHORIZED}, kNoPrinter},
        FailureCase{"AsksForEncryption",
                    PrintServerBehaviour{.httpAnswer = HTTP_STATUS_UPGRADE_REQUIRED}, kNoPrinter},
        FailureCase{"SilentAfterTheDocument",
                    PrintServerBehaviour{.afterDocument = After::kFallsSilent}, kNoPrinter},
        FailureCase{"HangsUpAfterTheDocument",
                    PrintServerBehaviour{.afterDocument = After::kHangsUp}, kNoPrinter}),
    [](const testing::TestParamInfo<FailureCase>& info) { return info.param.name; });

// A print server that answers as the behaviour says, or a silent one.
struct ServerCase {
    const char* name;
    std::optional<PrintServerBehaviour> answering;  // none: a silent server
};

class BusyPrintServer : public PrintCommand, public testing::WithParamInterface<ServerCase> {};

TEST_P(BusyPrintServer, NeitherFreezesTheWindowNorTakesASecondPrint) {
    Open();
    StartServer(GetParam().answering);
    CountClockTicks();
    Key(Qt::Key_I, Qt::ControlModifier);
    // The command came back before the server could answer: the window takes keys at once.
    EXPECT_TRUE(errors_.shown.isEmpty());
    Type("100");
    EXPECT_EQ(Result(), "   120.60");
    EXPECT_FALSE(Action("Impressiondursultat1")->isEnabled());
    Key(Qt::Key_I, Qt::ControlModifier);
    Action("Impressiondursultat3")->trigger();
    ASSERT_TRUE(QTest::qWaitFor([] { return QGuiApplication::overrideCursor() != nullptr; }))
        << "no busy cursor while printing";
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::BusyCursor);

    EXPECT_TRUE(WaitForPrintToEnd());
    EXPECT_EQ(errors_.shown, answering_ ? QStringList() : kNoPrinter);
    // The documents handed over, or the connections to a silent server.
    EXPECT_EQ(answering_ ? answering_->Documents().size() : silent_->Connections(), 1U)
        << "the second print reached the print system";
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_GE(ticks_, 1) << "the clock stopped while the print system took its time";
}

INSTANTIATE_TEST_SUITE_P(
    Servers, BusyPrintServer,
    testing::Values(ServerCase{"Silent", std::nullopt},
                    // Slower over the whole print than a print may take to reach the server,
                    // though never silent for long: waited for.
                    ServerCase{"Slow",
                               PrintServerBehaviour{.delay = std::chrono::milliseconds(1500)}}),
    [](const auto& info) { return std::string(info.param.name); });

class QuitWhilePrinting : public PrintCommand, public testing::WithParamInterface<ServerCase> {};

// The window closes at once; a print that the server is taking still reaches it.
TEST_P(QuitWhilePrinting, KeepsThePrintOfAnAnsweringServerOnly) {
    Open();
    StartServer(GetParam().answering);
    Key(Qt::Key_I, Qt::ControlModifier);
    QuitAndFinishPrinting();
    if (answering_) {
        EXPECT_EQ(answering_->Documents().size(), 1U) << "the print was lost";
    }
    // Nothing is shown once the program has quit.
    EXPECT_TRUE(errors_.shown.isEmpty()) << errors_.shown.join(' ').toStdString();
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Servers, QuitWhilePrinting,
    testing::Values(
        ServerCase{"Answering", PrintServerBehaviour{.delay = std::chrono::milliseconds(600)}},
        // Never silent for long, though its first answer
        // takes longer than any one wait of the exit.
        ServerCase{"AnsweringInPieces",
                   PrintServerBehaviour{.firstAnswerPace = std::chrono::milliseconds(700)}},
        ServerCase{"Silent", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace chiffrel::testing_support
