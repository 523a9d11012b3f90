#include "core/modbus/RegisterReader.h"

#include "core/common/Error.h"

#include <algorithm>
#include <cerrno>
#include <map>

#include <modbus/modbus.h>

namespace cravent::modbus {

namespace {

using Clock = std::chrono::steady_clock;

void setResponseDeadline(modbus_t* context, std::chrono::milliseconds deadline)
{
    const auto ms = std::max<std::int64_t>(deadline.count(), 1);
    modbus_set_response_timeout(context, static_cast<std::uint32_t>(ms / 1000),
                                static_cast<std::uint32_t>(ms % 1000 * 1000));
}

} // namespace

struct RegisterReader::Connection {
    modbus_t* context = nullptr;
    // A request that failed may leave part of its answer on the way: start afresh.
    bool stale = false;
    ~Connection()
    {
        if (context) {
            modbus_close(context);
            modbus_free(context);
        }
    }
};

RegisterReader::RegisterReader(const std::string& host, int port, std::chrono::milliseconds requestDeadline)
    : connection_(std::make_unique<Connection>()), where_(host + ":" + std::to_string(port)),
      requestDeadline_(requestDeadline)
{
    connection_->context = modbus_new_tcp_pi(host.c_str(), std::to_string(port).c_str());
    if (!connection_->context)
        throw Error("No answer from " + where_ + ": " + modbus_strerror(errno));
    // Without a byte timeout the response timeout bounds the whole answer, not only its first
    // byte: a server trickling bytes cannot stretch a request.
    modbus_set_byte_timeout(connection_->context, 0, 0);
    setResponseDeadline(connection_->context, requestDeadline_);
    if (modbus_connect(connection_->context) != 0)
        throw Error("No answer from " + where_ + ": " + modbus_strerror(errno));
}

RegisterReader::~RegisterReader() = default;

std::vector<std::uint16_t> RegisterReader::read(const std::vector<std::uint16_t>& indexes)
{
    const auto readingDeadline = requestDeadline_ * ReadingRequests;
    const auto due = Clock::now() + readingDeadline;
    modbus_t* context = connection_->context;
    if (connection_->stale) {
        modbus_close(context);
        setResponseDeadline(context, requestDeadline_);
        if (modbus_connect(context) != 0)
            throw Error("No answer from " + where_ + ": " + modbus_strerror(errno));
        connection_->stale = false;
    }

    std::vector<std::uint16_t> wanted = indexes;
    std::sort(wanted.begin(), wanted.end());
    wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());

    std::map<std::uint16_t, std::uint16_t> values;
    for (std::size_t i = 0; i < wanted.size();) {
        // One request covers every wanted register within 125 of the run's first; the gaps
        // between them are read too, which costs less than another round trip.
        std::size_t j = i;
        while (j + 1 < wanted.size() && wanted[j + 1] - wanted[i] < MODBUS_MAX_READ_REGISTERS)
            ++j;
        const int first = wanted[i];
        const int count = wanted[j] - wanted[i] + 1;
        const std::string which = "registers " + std::to_string(first) + ".." + std::to_string(first + count - 1);
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(due - Clock::now());
        if (left.count() <= 0) {
            connection_->stale = true;
            throw Error("No answer from " + where_ + " for " + which + ": the reading took more than " +
                        std::to_string(readingDeadline.count()) + " ms");
        }
        const bool lastOfReading = left < requestDeadline_;
        setResponseDeadline(context, std::min(left, requestDeadline_));
        std::vector<std::uint16_t> run(static_cast<std::size_t>(count));
        if (modbus_read_registers(context, first, count, run.data()) != count) {
            const int error = errno;
            connection_->stale = true;
            std::string reason = modbus_strerror(error);
            if (error == ETIMEDOUT)
                reason = lastOfReading ? "the reading took more than " + std::to_string(readingDeadline.count()) + " ms"
                                       : "no whole answer within " + std::to_string(requestDeadline_.count()) + " ms";
            throw Error("No answer from " + where_ + " for " + which + ": " + reason);
        }
        for (std::size_t k = i; k <= j; ++k)
            values[wanted[k]] = run[wanted[k] - wanted[i]];
        i = j + 1;
    }
    std::vector<std::uint16_t> result;
    result.reserve(indexes.size());
    for (const std::uint16_t index : indexes)
        result.push_back(values[index]);
    return result;
}

} // namespace cravent::modbus
