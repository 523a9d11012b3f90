#pragma once

namespace cravent {

// Owns one file descriptor (a file, a pipe end, a socket) and closes it once. A failed close
// of a written file is an error, so writers call close() and look at its result; the
// destructor only cleans up after an earlier failure.
class Descriptor {
public:
    Descriptor() = default;
    explicit Descriptor(int fd)
        : fd_(fd)
    {}
    Descriptor(Descriptor&& other) noexcept
        : fd_(other.release())
    {}
    Descriptor& operator=(Descriptor&& other) noexcept;
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor();

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Gives the descriptor up without closing it.
    int release();
    // Closes now; 0, or the errno of a failed close. Closing nothing succeeds.
    int close();

private:
    int fd_ = -1;
};

// The two ends of a close-on-exec pipe.
struct PipeEnds {
    Descriptor read;
    Descriptor write;
};

// Opens a pipe whose ends are not inherited by programs we start; 0 or the errno.
int openPipe(PipeEnds& ends);

} // namespace cravent
