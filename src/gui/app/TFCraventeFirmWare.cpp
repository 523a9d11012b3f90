#include "gui/app/TFCraventeFirmWare.h"

#include "gui/app/MakerWebPage.h"
#include "gui/app/TFAbout.h"
#include "core/common/Error.h"
#include "core/common/Texts.h"
#include "gui/check/FindingsWindow.h"
#include "gui/firmware/TFModifyFileSx.h"
#include "gui/frames/TFInfopdoMB.h"
#include "gui/frames/TFpdoMB.h"
#include "core/firmware/UpdateSequence.h"
#include "core/image/ProjectBuild.h"
#include "core/settings/CommunicationForm.h"
#include "gui/ping/EchoWorker.h"
#include "gui/ping/TFPing.h"
#include "core/report/RegisterReport.h"
#include "gui/report/ReportWindow.h"
#include "gui/widgets/GuardedCommand.h"
#include "gui/widgets/PushButton.h"
#include "gui/widgets/Theme.h"
#include "gui/widgets/WindowPlacement.h"
#include "gui/settings/TFpargen.h"
#include "gui/workspace/TFsaveproj.h"
#include "core/workspace/Workspace.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include <algorithm>
#include <vector>

namespace cravent::gui {

namespace {

constexpr int ClientWidth = 566;
constexpr int ClientHeight = 255;
constexpr int RowTop = 36;
constexpr int RowStep = 40;
constexpr int LeftColumn = 84;
constexpr int RightColumn = 252;
constexpr int ButtonWidth = 150;
constexpr int ButtonHeight = 25;
// The longest a ping waits for its reply, whatever the echo does (twice the echo's own timeout
// when that is longer).
constexpr std::chrono::milliseconds PingWaitBound{10000};

int rowY(int step)
{
    return RowTop + (step - 1) * RowStep;
}

} // namespace

TFCraventeFirmWare::TFCraventeFirmWare(Workspace& workspace, UiServices& ui, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , workspace_(workspace)
    , ui_(ui)
    , echo_(new EchoWorker)
{
    setObjectName(QStringLiteral("FCraventeFirmWare"));
    theme::apply(this);
    setFixedSize(ClientWidth, ClientHeight);

    for (int step = 1; step <= 5; ++step) {
        auto* label = new QLabel(QStringLiteral("Step %1").arg(step), this);
        label->setObjectName(QStringLiteral("Label%1").arg(step));
        QFont bold = label->font();
        bold.setBold(true);
        label->setFont(bold);
        label->setStyleSheet(QStringLiteral("color: #808080"));
        label->setGeometry(20, rowY(step), 56, ButtonHeight);
    }

    auto* newButton = addButton("New", QStringLiteral("New project"), LeftColumn, rowY(1), ButtonWidth);
    auto* openButton = addButton("open", QStringLiteral("Open project"), RightColumn, rowY(1), ButtonWidth);
    connect(newButton, &QPushButton::clicked, this,
            guarded(ui_.messages, this, &TFCraventeFirmWare::NewaClick));
    std::vector<QWidget*> tabOrder{newButton, openButton};
    commands_ = {newButton, openButton};
    connect(openButton, &QPushButton::clicked, this,
            guarded(ui_.messages, this, &TFCraventeFirmWare::OpenaClick));

    const struct {
        const char* name;
        const char* caption;
        int x;
        int step;
    } commands[] = {
        {"btn_Prm_Gen", "Set Communication", LeftColumn, 2},
        {"Btn_Ping", "Ping Device", RightColumn, 2},
        {"btn_RCOB", "Receive COB", LeftColumn, 3},
        {"btn_Info_RCOB", "Define COB", RightColumn, 3},
        {"btn_TCOB", "Transmit COB", LeftColumn, 4},
        {"btn_Info_TCOB", "Define COB", RightColumn, 4},
        {"btn_Report", "Project report", RightColumn, 5},
    };
    QWidget* reportButton = nullptr;
    for (const auto& command : commands) {
        auto* button = addButton(command.name, QString::fromLatin1(command.caption), command.x,
                                 rowY(command.step), ButtonWidth);
        connect(button, &QPushButton::clicked, this, [this, button] {
            runGuarded(ui_.messages, this, [this, button] { btn_str_lng1aClick(button); });
        });
        commands_.push_back(button);
        // Row 5 reads "Up date Device", then "Project report".
        if (command.step == 5)
            reportButton = button;
        else
            tabOrder.push_back(button);
    }

    edit1_ = new QLineEdit(QStringLiteral("255.255.255.255"), this);
    edit1_->setObjectName(QStringLiteral("Edit1"));
    edit1_->setGeometry(RightColumn + ButtonWidth + 16, rowY(2) + 1, 130, ButtonHeight - 2);
    // Row 2 reads "Ping Device", then the address box.
    tabOrder.insert(tabOrder.begin() + 4, edit1_);
    commands_.push_back(edit1_);

    auto* createBin = addButton("CreateBin", QStringLiteral("Up date Device"), LeftColumn, rowY(5),
                                ButtonWidth);
    connect(createBin, &QPushButton::clicked, this,
            guarded(ui_.messages, this, &TFCraventeFirmWare::UpdateDevice));
    commands_.push_back(createBin);
    tabOrder.push_back(createBin);
    tabOrder.push_back(reportButton);

    auto* aboutButton = addButton("about", QStringLiteral("About"), ClientWidth - 96, 6, 54);
    aboutButton->setFixedHeight(18);
    auto* closeButton = addButton("LbButton1", QStringLiteral("X"), ClientWidth - 36, 6, 28);
    closeButton->setFixedHeight(18);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);

    auto* link = new QLabel(this);
    link->setObjectName(QStringLiteral("Label6"));
    link->setText(QStringLiteral("<a href=\"%1\" style=\"color:#0000FF\">%2</a>")
                      .arg(makerWebPage().toString(), QString::fromLatin1(MakerWebAddress)));
    link->setCursor(Qt::PointingHandCursor);
    link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    link->adjustSize();
    link->move(ClientWidth - link->width() - 12, ClientHeight - link->height() - 8);
    connect(link, &QLabel::linkActivated, this, [] { openMakerWebPage(); });

    // Tab runs through the steps row by row, left to right, then to the link at the bottom and
    // round to "About" and "X" at the top; the first step has the focus at start.
    tabOrder.push_back(link);
    tabOrder.push_back(aboutButton);
    tabOrder.push_back(closeButton);
    for (std::size_t i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    newButton->setFocus();
    centreOnScreen(this);

    // Creating the window is the workspace start-up; the dialogs come after it.
    FormCreate();

    // Every dialog is created once, after the start-up, and keeps its controls between showings.
    saveProject_ = new TFsaveproj(workspace_, ui_, this);
    about_ = new TFAbout(this);
    connect(aboutButton, &QPushButton::clicked, about_, &QDialog::exec);
    // Generate Firmware dialog
    generateFirmware_ = new TFModifyFileSx(workspace_, ui_, this);
    setCommunication_ = new TFpargen(
        workspace_, ui_, [this](const QString& address) { edit1_->setText(address); }, this);
    // frame list dialog
    frameList_ = new TFpdoMB(workspace_, ui_, this);
    // frame-to-register dialog
    frameMap_ = new TFInfopdoMB(workspace_, ui_, this);
    // ping result dialog
    ping_ = new TFPing(this);
    connect(echo_.worker(), &EchoWorker::answered, this, [this](int request, qint64 bytes) {
        if (request != pingRequest_ || !pingUnderWay_)
            return; // the answer of a ping that was given up
        Ping1Reply(static_cast<std::size_t>(bytes));
        pingEnded(request, pingReplyState_ == 1 ? net::PingOutcome::Found : net::PingOutcome::NotFound);
    });
    // The reason stays unsaid: the dialog asks the user to check the address.
    connect(echo_.worker(), &EchoWorker::failed, this,
            [this](int request) { pingEnded(request, net::PingOutcome::Error); });
    pingBound_ = new QTimer(this);
    pingBound_->setSingleShot(true);
    connect(pingBound_, &QTimer::timeout, this,
            [this] { pingEnded(pingRequest_, net::PingOutcome::NotFound); });
}

TFCraventeFirmWare::~TFCraventeFirmWare() = default;

PushButton* TFCraventeFirmWare::addButton(const char* name, const QString& caption, int x, int y,
                                          int width)
{
    auto* button = new PushButton(caption, this);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(x, y, width, ButtonHeight);
    return button;
}

void TFCraventeFirmWare::showProjectCaption()
{
    setWindowTitle(QString::fromLatin1(DesignCaption) + QStringLiteral(" :") +
                   QString::fromStdString(workspace_.ProjectName()));
}

void TFCraventeFirmWare::followProjectDir()
{
    openExcelFolder_ = QString::fromStdString(workspace_.ProjectDir().string());
}

void TFCraventeFirmWare::NewaClick()
{
    if (saveProject_->exec() == QDialog::Accepted) {
        showProjectCaption();
        followProjectDir();
    } else {
        setWindowTitle(QString::fromLatin1(DesignCaption) + QStringLiteral(" :"));
    }
}

void TFCraventeFirmWare::OpenaClick()
{
    const auto preselect = workspace_.beginOpenProject();
    const QString root = QString::fromStdString(workspace_.ProjectsRoot().string());
    const auto picked = ui_.choosers.chooseFolder(
        this, QStringLiteral("Select directory of project"), root,
        preselect ? QString::fromStdString(preselect->string()) : QString());
    workspace_.finishOpenProject(picked ? std::optional<std::filesystem::path>(picked->toStdString())
                                        : std::nullopt);
    showProjectCaption();
    followProjectDir();
    showProjectPingAddress();
}

void TFCraventeFirmWare::FormCreate()
{
    setWindowTitle(QString::fromLatin1(DesignCaption));
    if (workspace_.startUp())
        showProjectCaption();
    followProjectDir();
    showProjectPingAddress();
}

void TFCraventeFirmWare::showProjectPingAddress()
{
    if (!workspace_.hasValidProject())
        return;
    if (const auto address = settings::storedPingAddress(workspace_.project().pargen()))
        edit1_->setText(QString::fromStdString(*address));
}

bool TFCraventeFirmWare::ProjectCommandGuard()
{
    if (workspace_.hasValidProject())
        return true;
    ui_.messages.show(this, QString::fromLatin1(text::ProjectNotValid));
    return false;
}

void TFCraventeFirmWare::btn_str_lng1aClick(QObject* sender)
{
    if (!ProjectCommandGuard())
        return;
    const QString name = sender->objectName();
    if (name == QLatin1String("btn_RCOB"))
        showFrameList(1);
    else if (name == QLatin1String("btn_Info_RCOB"))
        showFrameMap(1);
    else if (name == QLatin1String("btn_TCOB"))
        showFrameList(2);
    else if (name == QLatin1String("btn_Info_TCOB"))
        showFrameMap(2);
    else if (name == QLatin1String("btn_Prm_Gen"))
        showSetCommunication();
    else if (name == QLatin1String("Btn_Ping"))
        PingDevice();
    else if (name == QLatin1String("btn_Report"))
        showProjectReport();
}

void TFCraventeFirmWare::UpdateDevice()
{
    // Without a project folder the build would write into the file-system root.
    if (!ProjectCommandGuard())
        return;
    // Let the pressed button repaint before the window stops answering for the build.
    QCoreApplication::processEvents();
    // Values the device would misread are shown before anything is built.
    try {
        const firmware::PreparedUpdate prepared = firmware::prepareUpdate(
            workspace_.project(), workspace_.program().masterFirmware(),
            [this](const check::BuildGate& gate) { return FindingsWindow::confirmBuild(gate, this); });
        if (!prepared.built)
            return;
    } catch (const Error& error) {
        ui_.messages.show(this, QString::fromStdString(error.what()), Messages::Icon::Error);
        return;
    }
    showGenerateFirmware();
}

void TFCraventeFirmWare::showGenerateFirmware()
{
    generateFirmware_->exec();
}

void TFCraventeFirmWare::showProjectReport()
{
    ReportWindow window(report::makeReport(workspace_.ProjectDir()), workspace_.ProjectDir(), ui_,
                        this);
    window.exec();
}

void TFCraventeFirmWare::showSetCommunication()
{
    setCommunication_->exec();
}

void TFCraventeFirmWare::showFrameList(int mode)
{
    frameList_->setMode(static_cast<std::uint8_t>(mode));
    frameList_->exec();
}

void TFCraventeFirmWare::showFrameMap(int mode)
{
    frameMap_->setMode(static_cast<std::uint8_t>(mode));
    frameMap_->exec();
}

void TFCraventeFirmWare::PingDevice()
{
    // The commands are disabled for the wait, so this guards only against a queued second click.
    if (pingUnderWay_)
        return;
    pingReplyState_ = 0;
    setPingUnderWay(true);
    ++pingRequest_;
    EchoWorker* worker = echo_.worker();
    QMetaObject::invokeMethod(
        worker,
        [worker, request = pingRequest_, host = edit1_->text(),
         timeout = static_cast<int>(pingTimeout_.count())] { worker->ping(request, host, timeout); },
        Qt::QueuedConnection);
    pingBound_->start(std::max(PingWaitBound, 2 * pingTimeout_));
}

void TFCraventeFirmWare::pingEnded(int request, net::PingOutcome outcome)
{
    if (request != pingRequest_ || !pingUnderWay_)
        return;
    pingBound_->stop();
    setPingUnderWay(false);
    ping_->SetPingResult(outcome);
    ping_->exec();
}

void TFCraventeFirmWare::setPingUnderWay(bool underWay)
{
    pingUnderWay_ = underWay;
    if (underWay) {
        focusBeforePing_ = focusWidget();
        setCursor(Qt::BusyCursor);
    }
    for (QWidget* command : commands_)
        command->setEnabled(!underWay);
    if (!underWay) {
        unsetCursor();
        if (focusBeforePing_)
            focusBeforePing_->setFocus();
    }
}

void TFCraventeFirmWare::Ping1Reply(std::size_t bytesReceived)
{
    pingReplyState_ = bytesReceived > 0 ? 1 : 2;
}

void TFCraventeFirmWare::FormClose()
{
    runGuarded(ui_.messages, this, [this] { workspace_.shutDown(); });
}

void TFCraventeFirmWare::closeEvent(QCloseEvent* event)
{
    FormClose();
    event->accept();
}

} // namespace cravent::gui
