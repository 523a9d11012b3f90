#include "core/modbus/RegisterReader.h"

#include "core/common/Error.h"

#include <algorithm>
#include <cerrno>
#include <map>

#include <modbus/modbus.h>

namespace cravent::modbus {

struct RegisterReader::Connection {
    modbus_t* context = nullptr;
    ~Connection()
    {
        if (context) {
            modbus_close(context);
            modbus_free(context);
        }
    }
};

RegisterReader::RegisterReader(const std::string& host, int port, std::chrono::milliseconds timeout)
    : connection_(std::make_unique<Connection>()), where_(host + ":" + std::to_string(port))
{
    connection_->context = modbus_new_tcp_pi(host.c_str(), std::to_string(port).c_str());
    if (!connection_->context)
        throw Error("No answer from " + where_ + ": " + modbus_strerror(errno));
    const auto ms = timeout.count();
    modbus_set_response_timeout(connection_->context, static_cast<std::uint32_t>(ms / 1000),
                                static_cast<std::uint32_t>(ms % 1000 * 1000));
    if (modbus_connect(connection_->context) != 0)
        throw Error("No answer from " + where_ + ": " + modbus_strerror(errno));
}

RegisterReader::~RegisterReader() = default;

std::vector<std::uint16_t> RegisterReader::read(const std::vector<std::uint16_t>& indexes)
{
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
        std::vector<std::uint16_t> run(static_cast<std::size_t>(count));
        if (modbus_read_registers(connection_->context, first, count, run.data()) != count)
            throw Error("No answer from " + where_ + " for registers " + std::to_string(first) +
                        ".." + std::to_string(first + count - 1) + ": " + modbus_strerror(errno));
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
