#include "sync/password/terminal_prompt.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <iostream>
#include <termios.h>
#include <unistd.h>

namespace syncing {
namespace {

std::optional<std::string> readLine(int fd)
{
    std::string line;
    char ch = 0;
    for (;;) {
        const ssize_t got = ::read(fd, &ch, 1);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return line.empty() ? std::nullopt : std::optional(line);
        if (ch == '\n')
            break;
        line += ch;
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

// Echo is off while it lives and back as it was when it goes.
class EchoOff {
public:
    explicit EchoOff(int fd) : fd_(fd)
    {
        if (::tcgetattr(fd_, &saved_) != 0)
            return;
        termios quiet = saved_;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        quiet.c_lflag |= ECHONL;
        active_ = ::tcsetattr(fd_, TCSAFLUSH, &quiet) == 0;
    }
    ~EchoOff()
    {
        if (active_)
            ::tcsetattr(fd_, TCSAFLUSH, &saved_);
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    int fd_;
    termios saved_{};
    bool active_ = false;
};

} // namespace

std::optional<std::string> askOnTerminal(const std::string& prompt)
{
    const int fd = ::open("/dev/tty", O_RDWR | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return std::nullopt;
    std::optional<std::string> answer;
    {
        const EchoOff quiet(fd);
        if (::write(fd, prompt.data(), prompt.size()) == ssize_t(prompt.size()))
            answer = readLine(fd);
    }
    ::close(fd);
    return answer;
}

std::optional<std::string> readLineFromStandardInput()
{
    return readLine(STDIN_FILENO);
}

} // namespace syncing
