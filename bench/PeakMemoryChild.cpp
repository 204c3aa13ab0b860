#include "PeakMemoryChild.h"

#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

namespace tarvo::bench {

namespace {

// One end of a pipe, closed when it goes.
class PipeEnd {
public:
    explicit PipeEnd(int fd = -1) : m_fd(fd) {}
    PipeEnd(const PipeEnd&) = delete;
    PipeEnd& operator=(const PipeEnd&) = delete;
    ~PipeEnd() { close(); }

    int get() const { return m_fd; }
    void close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd;
};

} // namespace

std::optional<std::string> runSelf(const std::vector<std::string>& args)
{
    std::vector<std::string> command{std::filesystem::read_symlink("/proc/self/exe").string()};
    command.insert(command.end(), args.begin(), args.end());
    // Made before the fork: the child only execs.
    std::vector<char*> argv;
    for (std::string& arg : command)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    int fds[2];
    if (::pipe(fds) != 0)
        return std::nullopt;
    PipeEnd readEnd(fds[0]);
    PipeEnd writeEnd(fds[1]);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(writeEnd.get(), STDOUT_FILENO);
        ::close(readEnd.get());
        ::close(writeEnd.get());
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    writeEnd.close();
    if (pid < 0)
        return std::nullopt;
    std::string output;
    char block[256];
    ssize_t n;
    while ((n = ::read(readEnd.get(), block, sizeof block)) > 0)
        output.append(block, static_cast<std::size_t>(n));
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return output;
}

} // namespace tarvo::bench
