#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace cravent::modbus {

// A Modbus TCP client that reads holding registers (function code 3), as a PLC reads the
// gateway's.
class RegisterReader {
public:
    // Connects to host:port. Throws Error "No answer from host:port: <reason>".
    RegisterReader(const std::string& host, int port, std::chrono::milliseconds timeout);
    ~RegisterReader();
    RegisterReader(const RegisterReader&) = delete;
    RegisterReader& operator=(const RegisterReader&) = delete;

    // The value of each register of `indexes`, in the same order, read in as few requests as
    // the protocol allows (runs of up to 125 neighbouring registers). Throws Error naming the
    // device and the reason when a request gets no answer or an exception.
    std::vector<std::uint16_t> read(const std::vector<std::uint16_t>& indexes);

private:
    struct Connection;
    std::unique_ptr<Connection> connection_;
    std::string where_;
};

} // namespace cravent::modbus
