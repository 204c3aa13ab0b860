#include "pbserver/PhonebookServer.h"

#include "support/Base64.h"

#include <httplib.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <string_view>

namespace tarvo::pbserver {

namespace {

constexpr std::size_t kPiece = 1 << 16;

// A request path that stays inside the served folder: absolute, no "." or
// ".." segment, no backslash, no NUL. Empty segments count for nothing, as
// a server address configured with a trailing '/' asks for
// "/phonebook//verce/42.ver". Empty when it would leave the folder or names
// no file.
std::string relativePath(std::string_view path)
{
    if (path.empty() || path.front() != '/' || path.find('\\') != std::string_view::npos ||
        path.find('\0') != std::string_view::npos)
        return {};
    std::string relative;
    std::string_view rest = path.substr(1);
    while (!rest.empty()) {
        std::size_t slash = rest.find('/');
        std::string_view segment = rest.substr(0, slash);
        if (!segment.empty() && segment.find_first_not_of('.') == std::string_view::npos)
            return {};
        if (!segment.empty()) {
            if (!relative.empty())
                relative += '/';
            relative += segment;
        }
        if (slash == std::string_view::npos)
            break;
        rest.remove_prefix(slash + 1);
    }
    return relative;
}

// Compares every byte, so the time taken does not tell how much matched.
bool sameText(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    unsigned char difference = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        difference |= static_cast<unsigned char>(a[i] ^ b[i]);
    return difference == 0;
}

// An open file that outlives the handler: the body is sent after it returns.
struct OpenedFile {
    int fd = -1;
    ~OpenedFile()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

PhonebookServer::PhonebookServer(ServerOptions options) : m_options(std::move(options))
{
    const bool tls = !m_options.certificateFile.empty() || !m_options.keyFile.empty();
    if (tls)
        m_server = std::make_unique<httplib::SSLServer>(m_options.certificateFile.c_str(), m_options.keyFile.c_str());
    else
        m_server = std::make_unique<httplib::Server>();
    if (!m_server->is_valid())
        m_problem = "cannot use the certificate " + m_options.certificateFile + " with the key " + m_options.keyFile;
    else if (tls && (m_options.certificateFile.empty() || m_options.keyFile.empty()))
        m_problem = "HTTPS needs both a certificate and a key";
    else if (!std::filesystem::is_directory(m_options.root))
        m_problem = "no folder " + m_options.root.string();
    if (m_options.user.empty() != m_options.password.empty())
        m_problem = "give both a user and a password, or neither";
    if (!m_options.user.empty())
        m_expectedAuthorization = "Basic " + base64Encode(m_options.user + ":" + m_options.password);
    route();
}

PhonebookServer::~PhonebookServer() = default;

bool PhonebookServer::bind()
{
    if (!m_problem.empty())
        return false;
    // A client that keeps its connection open must not hold up a stop.
    m_server->set_keep_alive_timeout(1);
    m_port = m_options.port == 0 ? m_server->bind_to_any_port(m_options.host)
                                 : (m_server->bind_to_port(m_options.host, m_options.port) ? m_options.port : -1);
    return m_port > 0;
}

bool PhonebookServer::listen()
{
    return m_port > 0 && m_server->listen_after_bind();
}

void PhonebookServer::stop()
{
    m_server->stop();
}

bool PhonebookServer::running() const
{
    return m_server->is_running();
}

std::string PhonebookServer::url() const
{
    const bool tls = !m_options.certificateFile.empty();
    return std::string(tls ? "https" : "http") + "://" + m_options.host + ":" + std::to_string(m_port);
}

void PhonebookServer::route()
{
    m_server->Get(R"(/.*)", [this](const httplib::Request& request, httplib::Response& response) {
        if (!m_expectedAuthorization.empty() &&
            !sameText(request.get_header_value("Authorization"), m_expectedAuthorization)) {
            response.status = 401;
            response.set_header("WWW-Authenticate", "Basic realm=\"phonebook\"");
            return;
        }
        const std::string relative = relativePath(request.path);
        if (relative.empty()) {
            response.status = 400;
            return;
        }
        const std::filesystem::path file = m_options.root / relative;
        std::error_code error;
        if (!std::filesystem::is_regular_file(file, error)) {
            response.status = 404;
            return;
        }
        auto open = std::make_shared<OpenedFile>();
        open->fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        const auto size = std::filesystem::file_size(file, error);
        if (open->fd < 0 || error) {
            response.status = 403;
            return;
        }
        if (size == 0) {
            response.set_content("", "application/octet-stream");
            return;
        }
        response.set_content_provider(
            static_cast<std::size_t>(size), "application/octet-stream",
            [open](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                char piece[kPiece];
                const ssize_t got =
                    ::pread(open->fd, piece, std::min(length, sizeof piece), static_cast<off_t>(offset));
                // A file that shrank while it was sent ends the connection
                // short of its length, which the client notices.
                return got > 0 && sink.write(piece, static_cast<std::size_t>(got));
            });
    });
}

} // namespace tarvo::pbserver
