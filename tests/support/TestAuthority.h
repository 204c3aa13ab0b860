#pragma once

#include <openssl/evp.h>
#include <openssl/x509.h>

#include <memory>
#include <string>

namespace tarvo::test {

struct PkeyDeleter {
    void operator()(EVP_PKEY* key) const noexcept { EVP_PKEY_free(key); }
};
struct X509Deleter {
    void operator()(X509* cert) const noexcept { X509_free(cert); }
};

// A throwaway certificate authority and a server certificate it signed for
// 127.0.0.1, made in memory for HTTPS tests. `selfSigned` is a second
// server certificate for the same address that nobody vouches for.
class TestAuthority final {
public:
    TestAuthority();

    bool valid() const { return m_valid; }
    // The authority's certificate, PEM (what a client is told to trust).
    const std::string& caPem() const { return m_caPem; }
    X509* serverCertificate() const { return m_serverCert.get(); }
    EVP_PKEY* serverKey() const { return m_serverKey.get(); }
    X509* selfSignedCertificate() const { return m_selfCert.get(); }
    EVP_PKEY* selfSignedKey() const { return m_selfKey.get(); }
    // PEM text of the server certificate and of its key.
    std::string serverCertificatePem() const;
    std::string serverKeyPem() const;

private:
    std::unique_ptr<EVP_PKEY, PkeyDeleter> m_caKey;
    std::unique_ptr<X509, X509Deleter> m_caCert;
    std::unique_ptr<EVP_PKEY, PkeyDeleter> m_serverKey;
    std::unique_ptr<X509, X509Deleter> m_serverCert;
    std::unique_ptr<EVP_PKEY, PkeyDeleter> m_selfKey;
    std::unique_ptr<X509, X509Deleter> m_selfCert;
    std::string m_caPem;
    bool m_valid = false;
};

} // namespace tarvo::test
