#include "core/common/Descriptor.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace cravent {

Descriptor& Descriptor::operator=(Descriptor&& other) noexcept
{
    if (this != &other) {
        close();
        fd_ = other.release();
    }
    return *this;
}

Descriptor::~Descriptor()
{
    close();
}

int Descriptor::release()
{
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

int Descriptor::close()
{
    if (fd_ < 0)
        return 0;
    // Linux frees the descriptor even when close fails, so it is never closed twice.
    return ::close(release()) == 0 ? 0 : errno;
}

int openPipe(PipeEnds& ends)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return errno;
    ends.read = Descriptor(fds[0]);
    ends.write = Descriptor(fds[1]);
    return 0;
}

} // namespace cravent
