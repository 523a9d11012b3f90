#pragma once

#include "core/net/IcmpEchoClient.h"
#include "core/net/PingOutcome.h"
#include "gui/widgets/UiServices.h"
#include "gui/widgets/WorkerThread.h"

#include <QPointer>
#include <QWidget>

#include <chrono>
#include <cstdint>
#include <vector>

class QLabel;
class QLineEdit;
class QTimer;

namespace cravent {
class Workspace;
}

namespace cravent::gui {

class EchoWorker;
class PushButton;
class TFAbout;
class TFInfopdoMB;
class TFpdoMB;
class TFModifyFileSx;
class TFPing;
class TFsaveproj;
class TFpargen;

// The main window: the five steps of a device update, from the project to the flashing.
class TFCraventeFirmWare : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* DesignCaption = "Velmora Cravent QP40231 CAN TO MODBUS TCP Slave";

    // Creating the window runs the workspace start-up: it restores the last project.
    TFCraventeFirmWare(Workspace& workspace, UiServices& ui, QWidget* parent = nullptr);
    ~TFCraventeFirmWare() override;

    Workspace& workspace() { return workspace_; }
    UiServices& ui() { return ui_; }
    QLineEdit* pingAddress() const { return edit1_; }
    // The folder the spreadsheet open dialog starts in; it follows ProjectDir.
    const QString& openExcelFolder() const { return openExcelFolder_; }

    void NewaClick();
    void OpenaClick();
    void UpdateDevice();
    // The last stage of "Up date Device": the Generate Firmware dialog, modal.
    void showGenerateFirmware();

    // "Ping Device": 0 while no reply came, 1 when the reply held bytes, 2 when it held none.
    std::int32_t PingReplyState() const { return pingReplyState_; }
    // While a ping waits for its answer: the commands are disabled and the cursor is busy.
    bool pingUnderWay() const { return pingUnderWay_; }
    TFPing* pingResult() const { return ping_; }
    // How long the echo waits for its answer; tests need not wait the full five seconds.
    void setPingTimeout(std::chrono::milliseconds timeout) { pingTimeout_ = timeout; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Workspace start-up and shut-down: the last project is restored and remembered.
    void FormCreate();
    void FormClose();
    // Refuses a project command with "Project not valid" while no project folder is valid.
    bool ProjectCommandGuard();
    // The six project commands share one handler that dispatches by the button pressed.
    void btn_str_lng1aClick(QObject* sender);
    void showProjectCaption();
    void followProjectDir();

    // Steps that later parts of the program fill in.
    void showSetCommunication();
    void showFrameList(int mode);
    void showFrameMap(int mode);
    void PingDevice();
    void showProjectReport();
    void Ping1Reply(std::size_t bytesReceived);
    // The end of the ping `request`: shows its outcome unless a later ping replaced it.
    void pingEnded(int request, net::PingOutcome outcome);
    void setPingUnderWay(bool underWay);
    // The ping box takes the project's device address, when its settings file holds one.
    void showProjectPingAddress();

    PushButton* addButton(const char* name, const QString& caption, int x, int y, int width);

    Workspace& workspace_;
    UiServices& ui_;
    QLineEdit* edit1_ = nullptr;
    QString openExcelFolder_;
    // What a ping disables while it waits, and the widget that had the focus before it.
    std::vector<QWidget*> commands_;
    QPointer<QWidget> focusBeforePing_;

    TFsaveproj* saveProject_ = nullptr;
    TFAbout* about_ = nullptr;
    TFpdoMB* frameList_ = nullptr;
    TFInfopdoMB* frameMap_ = nullptr;
    TFModifyFileSx* generateFirmware_ = nullptr;
    TFPing* ping_ = nullptr;
    std::int32_t pingReplyState_ = 0;
    std::chrono::milliseconds pingTimeout_ = net::IcmpEchoClient::DefaultReceiveTimeout;
    bool pingUnderWay_ = false;
    int pingRequest_ = 0;
    QTimer* pingBound_ = nullptr;
    WorkerThread<EchoWorker> echo_;
    TFpargen* setCommunication_ = nullptr;
};

} // namespace cravent::gui
