#include "gui/app/TFCraventeFirmWare.h"
#include "core/report/RegisterReport.h"
#include "gui/report/ReportWindow.h"
#include "gui/widgets/GuardedCommand.h"
#include "gui/widgets/SystemUi.h"
#include "gui/widgets/Theme.h"
#include "core/common/Error.h"
#include "core/common/Executable.h"
#include "core/workspace/ProgramLocation.h"
#include "core/workspace/Workspace.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>

#include <filesystem>
#include <memory>
#include <optional>

namespace {

// The window's own contents, for a script that wants one picture and the program to end.
bool saveScreenshot(QWidget& window, const QString& file)
{
    return window.grab().save(file);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // The application title names the program; no display name, which the window system would
    // append to every window's caption.
    QApplication::setApplicationName(QString::fromLatin1(cravent::gui::theme::ApplicationTitle));
    QApplication::setApplicationVersion(QStringLiteral("1.002"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Configurator of the Cravent CAN to Modbus TCP gateway"));
    parser.addHelpOption();
    parser.addVersionOption();
    QCommandLineOption appDirOption(QStringLiteral("app-dir"),
                                    QStringLiteral("Use DIR as the program folder (MASTER, PROJECTS, settings)."),
                                    QStringLiteral("DIR"));
    QCommandLineOption screenshotOption(QStringLiteral("screenshot"),
                                        QStringLiteral("Save a picture of the main window (or, with --report, of the report window) to FILE and quit."),
                                        QStringLiteral("FILE"));
    QCommandLineOption reportOption(QStringLiteral("report"),
                                    QStringLiteral("Show the register map report of the project in DIR."),
                                    QStringLiteral("DIR"));
    parser.addOption(appDirOption);
    parser.addOption(screenshotOption);
    parser.addOption(reportOption);
    parser.process(app);

    cravent::gui::MessageBoxes messages;
    std::optional<std::filesystem::path> chosenAppDir;
    if (parser.isSet(appDirOption))
        chosenAppDir = parser.value(appDirOption).toStdString();
    std::filesystem::path appDir;
    try {
        appDir = cravent::openProgramFolder(cravent::executableFolder(), chosenAppDir,
                                            cravent::UserEnvironment::current());
    } catch (const cravent::Error& e) {
        messages.show(nullptr, QString::fromStdString(e.what()),
                      cravent::gui::Messages::Icon::Error);
        return 1;
    }
    cravent::Workspace workspace(appDir);
    cravent::gui::SystemChoosers choosers;
    cravent::gui::UiServices ui{messages, choosers};

    // What the start-up lets through, or a window outside its commands, ends the program with
    // its reason shown and exit status 1, never with an abort.
    int status = 1;
    cravent::gui::runGuarded(messages, nullptr, [&] {
        cravent::gui::TFCraventeFirmWare window(workspace, ui);
        window.show();

        std::unique_ptr<cravent::gui::ReportWindow> report;
        if (parser.isSet(reportOption)) {
            const std::filesystem::path dir = parser.value(reportOption).toStdString();
            report = std::make_unique<cravent::gui::ReportWindow>(cravent::report::makeReport(dir),
                                                                 dir, ui, &window);
            report->show();
        }

        if (parser.isSet(screenshotOption)) {
            const QString file = parser.value(screenshotOption);
            int result = 1;
            QTimer::singleShot(200, &window, [&] {
                QWidget& shown = report ? static_cast<QWidget&>(*report) : window;
                result = saveScreenshot(shown, file) ? 0 : 1;
                QApplication::exit(result);
            });
            QApplication::exec();
            status = result;
            return;
        }
        status = QApplication::exec();
    });
    return status;
}
