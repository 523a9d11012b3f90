#include "gui/app/TFCraventeFirmWare.h"
#include "gui/widgets/SystemUi.h"
#include "gui/widgets/Theme.h"
#include "core/workspace/Workspace.h"

#include <QApplication>
#include <QCommandLineParser>

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
    parser.addOption(appDirOption);
    parser.process(app);

    const QString appDir = parser.isSet(appDirOption) ? parser.value(appDirOption)
                                                      : QCoreApplication::applicationDirPath();
    cravent::Workspace workspace(appDir.toStdString());
    cravent::gui::MessageBoxes messages;
    cravent::gui::SystemChoosers choosers;
    cravent::gui::UiServices ui{messages, choosers};

    cravent::gui::TFCraventeFirmWare window(workspace, ui);
    window.show();

    return QApplication::exec();
}
