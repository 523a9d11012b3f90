#include "gui/app/TFCraventeFirmWare.h"
#include "gui/widgets/SystemUi.h"
#include "gui/widgets/Theme.h"
#include "core/workspace/Workspace.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QPainter>
#include <QTimer>

namespace {

// Saves the window as the desktop shows it, with its caption above the client area, for the
// documentation.
bool saveScreenshot(QWidget& window, const QString& file)
{
    const QPixmap client = window.grab();
    constexpr int TitleHeight = 24;
    QPixmap shot(client.width(), client.height() + TitleHeight);
    shot.fill(QColor(0xDD, 0xDD, 0xDD));
    QPainter painter(&shot);
    QFont font = cravent::gui::theme::windowFont();
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(cravent::gui::theme::Text);
    painter.drawText(QRect(8, 0, client.width() - 16, TitleHeight), Qt::AlignVCenter,
                     window.windowTitle());
    painter.drawPixmap(0, TitleHeight, client);
    painter.end();
    return shot.save(file);
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
                                        QStringLiteral("Save a picture of the main window to FILE and quit."),
                                        QStringLiteral("FILE"));
    parser.addOption(appDirOption);
    parser.addOption(screenshotOption);
    parser.process(app);

    const QString appDir = parser.isSet(appDirOption) ? parser.value(appDirOption)
                                                      : QCoreApplication::applicationDirPath();
    cravent::Workspace workspace(appDir.toStdString());
    cravent::gui::MessageBoxes messages;
    cravent::gui::SystemChoosers choosers;
    cravent::gui::UiServices ui{messages, choosers};

    cravent::gui::TFCraventeFirmWare window(workspace, ui);
    window.show();

    if (parser.isSet(screenshotOption)) {
        const QString file = parser.value(screenshotOption);
        int result = 1;
        QTimer::singleShot(200, &window, [&] {
            result = saveScreenshot(window, file) ? 0 : 1;
            QApplication::exit(result);
        });
        QApplication::exec();
        return result;
    }
    return QApplication::exec();
}
