#pragma once

#include <modbus/modbus.h>

#include <cstdint>

namespace cravent::test {

// The limit of a Modbus TCP server: libmodbus answering one client at a time from a constant
// table (register i holds i), nothing else. Runs until the process is killed.
[[noreturn]] inline void bareModbusServer(int port)
{
    modbus_t* context = modbus_new_tcp("127.0.0.1", port);
    modbus_mapping_t* mapping = modbus_mapping_new(0, 0, 65536, 65536);
    for (int i = 0; i < 65536; ++i)
        mapping->tab_registers[i] = static_cast<std::uint16_t>(i);
    int server = modbus_tcp_listen(context, 1);
    for (;;) {
        modbus_tcp_accept(context, &server);
        std::uint8_t query[MODBUS_TCP_MAX_ADU_LENGTH];
        int length;
        while ((length = modbus_receive(context, query)) >= 0)
            if (length > 0)
                modbus_reply(context, query, length, mapping);
    }
}

} // namespace cravent::test
