#include "support/PhonebookTestServer.h"

#include "support/Base64.h"

#include <algorithm>

namespace tarvo::test {

namespace {
constexpr std::size_t kPiece = 1 << 16;
}

std::string PatternBytes(std::size_t size, std::size_t offset)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        std::uint64_t x = (offset + i) * 0x9E3779B97F4A7C15ULL;
        bytes[i] = static_cast<char>((x >> 29) & 0xFF);
    }
    return bytes;
}

PhonebookTestServer::PhonebookTestServer()
{
    route();
}

PhonebookTestServer::PhonebookTestServer(X509* certificate, EVP_PKEY* key) : m_server(certificate, key)
{
    route();
}

std::string PhonebookTestServer::expectedAuthorization()
{
    return "Basic " + base64Encode(std::string(kUser) + ":" + kPassword);
}

std::string PhonebookTestServer::otherAuthorization()
{
    return "Basic " + base64Encode("maker:global-secret");
}

void PhonebookTestServer::put(const std::string& path, Served served)
{
    std::lock_guard lock(m_mutex);
    m_files[path] = std::move(served);
}

std::vector<std::string> PhonebookTestServer::requests() const
{
    std::lock_guard lock(m_mutex);
    return m_requests;
}

std::vector<std::string> PhonebookTestServer::authorizations() const
{
    std::lock_guard lock(m_mutex);
    return m_authorizations;
}

void PhonebookTestServer::route()
{
    m_server.routes().Get(R"(/.*)", [this](const httplib::Request& request, httplib::Response& response) {
        const std::string authorization = request.get_header_value("Authorization");
        Served served;
        bool found = false;
        {
            std::lock_guard lock(m_mutex);
            m_requests.push_back(request.path);
            m_authorizations.push_back(authorization);
            if (auto it = m_files.find(request.path); it != m_files.end()) {
                served = it->second;
                found = true;
            }
        }
        if (authorization != expectedAuthorization() && authorization != otherAuthorization()) {
            response.status = 401;
            response.set_header("WWW-Authenticate", "Basic realm=\"phonebook\"");
            return;
        }
        if (!found) {
            response.status = 404;
            return;
        }
        response.status = served.status;
        if (served.status != 200) {
            response.set_content("server error", "text/plain");
            return;
        }
        const std::size_t total = served.generated > 0 ? served.generated : served.body.size();
        const std::size_t announced = served.announced.value_or(total);
        if (announced == 0) {
            response.set_content("", "application/octet-stream");
            return;
        }
        response.set_content_provider(
            announced, "application/octet-stream",
            [this, served = std::move(served), total](std::size_t offset, std::size_t length,
                                                     httplib::DataSink& sink) {
                if (offset >= total) {
                    // Out of bytes short of the announced length.
                    if (served.fault == Served::Fault::Stall)
                        m_server.stallUntilStopped();
                    return false;
                }
                const std::size_t n = std::min({length, kPiece, total - offset});
                std::string piece =
                    served.generated > 0 ? PatternBytes(n, offset) : served.body.substr(offset, n);
                if (!sink.write(piece.data(), piece.size()))
                    return false;
                if (served.midway && offset < served.afterBytes && offset + n >= served.afterBytes)
                    served.midway();
                return true;
            });
    });
}

} // namespace tarvo::test
