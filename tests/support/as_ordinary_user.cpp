#include "support/as_ordinary_user.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr uid_t Nobody = 65534;

// Everything the child wrote to the pipe, up to its end.
std::string readAll(int fd)
{
    std::string text;
    char buffer[256];
    ssize_t got = 0;
    while ((got = ::read(fd, buffer, sizeof buffer)) > 0)
        text.append(buffer, std::size_t(got));
    return text;
}

} // namespace

std::string problemAsOrdinaryUser(const std::function<std::string()>& check)
{
    if (::geteuid() != 0)
        return check();
    if (::chmod(".", 0777) != 0)
        return "the working folder cannot be opened to everyone";
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        return "no pipe to the child process";
    const pid_t child = ::fork();
    if (child < 0)
        return "no child process";
    if (child == 0) {
        ::close(pipeEnds[0]);
        const std::string problem = ::setgid(Nobody) == 0 && ::setuid(Nobody) == 0
                                        ? check()
                                        : std::string("the child cannot become nobody");
        const bool told =
            ::write(pipeEnds[1], problem.data(), problem.size()) == ssize_t(problem.size());
        ::_exit(told ? 0 : 1);
    }
    ::close(pipeEnds[1]);
    const std::string problem = readAll(pipeEnds[0]);
    ::close(pipeEnds[0]);
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "the child process did not end well; it said: " + problem;
    return problem;
}
