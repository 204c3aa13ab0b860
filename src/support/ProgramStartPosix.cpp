#include "support/ProgramStart.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tarvo {

namespace {

// Closes a descriptor on every way out.
class Descriptor final {
public:
    explicit Descriptor(int fd = -1) : m_fd(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() { reset(); }
    int get() const { return m_fd; }
    void reset()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd;
};

} // namespace

int startDetached(const std::string& program, const std::string& folder)
{
    struct stat info {};
    if (::stat(program.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return ENOENT;
    if (::access(program.c_str(), X_OK) != 0)
        return EACCES;

    // The grandchild reports a failed exec through this pipe; a successful
    // exec closes its end, so the parent reads nothing.
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return errno;
    Descriptor reader(ends[0]);
    Descriptor writer(ends[1]);

    const pid_t child = ::fork();
    if (child < 0)
        return errno;
    if (child == 0) {
        // Only async-signal-safe calls from here on: the parent may have
        // threads. The child leaves at once, so the program is nobody's
        // child and never waits as a zombie of ours.
        ::setsid();
        if (::fork() != 0)
            ::_exit(0);
        int error = 0;
        if (::chdir(folder.c_str()) == 0) {
            char* const arguments[] = {const_cast<char*>(program.c_str()), nullptr};
            ::execv(program.c_str(), arguments);
        }
        error = errno;
        (void)!::write(writer.get(), &error, sizeof error);
        ::_exit(127);
    }
    writer.reset();
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t got = 0;
    while ((got = ::read(reader.get(), &error, sizeof error)) < 0 && errno == EINTR) {
    }
    return got == static_cast<ssize_t>(sizeof error) ? error : 0;
}

} // namespace tarvo
