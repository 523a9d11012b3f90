#include "gui/ping/EchoWorker.h"

#include "core/net/IcmpEchoClient.h"

#include <chrono>
#include <exception>

namespace cravent::gui {

void EchoWorker::ping(int request, const QString& host, int timeoutMs)
{
    try {
        net::IcmpEchoClient client;
        const std::string address = host.toStdString();
        client.setHost(address);
        client.setReceiveTimeout(std::chrono::milliseconds(timeoutMs));
        const net::EchoReply reply = client.ping(address);
        emit answered(request, static_cast<qint64>(reply.bytesReceived));
    } catch (const std::exception&) {
        emit failed(request);
    }
}

} // namespace cravent::gui
