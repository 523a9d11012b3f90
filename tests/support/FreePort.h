#pragma once

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace cravent::test {

// A TCP port on 127.0.0.1 that nothing listens on at this moment, for a server a test starts.
inline int freeLoopbackPort()
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(s);
    return ntohs(address.sin_port);
}

} // namespace cravent::test
