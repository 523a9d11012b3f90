#pragma once

#include <QObject>
#include <QString>

namespace cravent::gui {

// Sends the echoes of "Ping Device" on the thread it is moved to (see WorkerThread), so that the
// window keeps answering while one waits for its answer.
class EchoWorker : public QObject {
    Q_OBJECT
public:
    // One echo request to `host` carrying the host's text, as the window has always sent it.
    // `request` comes back with the outcome, so that the window can tell a late answer.
    Q_INVOKABLE void ping(int request, const QString& host, int timeoutMs);

Q_SIGNALS:
    // The bytes of the matching answer, 0 when none came in time.
    void answered(int request, qint64 bytesReceived);
    // The echo could not be sent or its answer not read (the reason is left to the log of the
    // system: the window only asks the user to check the address).
    void failed(int request);
};

} // namespace cravent::gui
