#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace cravent::modbus {

// A Modbus TCP client that reads holding registers (function code 3), as a PLC reads the
// gateway's. Every wait has an end, whatever the pace of the server: a request's whole answer
// must arrive within the request deadline, and a whole reading (every request of one read())
// within ReadingRequests times it.
class RegisterReader {
public:
    // A reading may take as long as this many requests that each use up their deadline.
    static constexpr int ReadingRequests = 10;

    // Connects to host:port within `requestDeadline`. Throws Error "No answer from
    // host:port: <reason>".
    RegisterReader(const std::string& host, int port, std::chrono::milliseconds requestDeadline);
    ~RegisterReader();
    RegisterReader(const RegisterReader&) = delete;
    RegisterReader& operator=(const RegisterReader&) = delete;

    // The value of each register of `indexes`, in the same order, read in as few requests as
    // the protocol allows (runs of up to 125 neighbouring registers). Throws Error naming the
    // device and the reason when a request gets no whole answer in time or an exception; the
    // next read() starts on a fresh connection.
    std::vector<std::uint16_t> read(const std::vector<std::uint16_t>& indexes);

private:
    struct Connection;
    std::unique_ptr<Connection> connection_;
    std::string where_;
    std::chrono::milliseconds requestDeadline_;
};

} // namespace cravent::modbus
