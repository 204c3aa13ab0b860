#include "support/TestAuthority.h"

#include <openssl/pem.h>
#include <openssl/x509v3.h>

namespace tarvo::test {

namespace {

struct BioDeleter {
    void operator()(BIO* bio) const noexcept { BIO_free(bio); }
};
struct ExtensionDeleter {
    void operator()(X509_EXTENSION* ext) const noexcept { X509_EXTENSION_free(ext); }
};

bool addExtension(X509* cert, X509* issuer, int nid, const char* value)
{
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
    std::unique_ptr<X509_EXTENSION, ExtensionDeleter> ext(X509V3_EXT_conf_nid(nullptr, &ctx, nid, value));
    return ext && X509_add_ext(cert, ext.get(), -1) == 1;
}

// A certificate for `subject` holding `key`, signed by `issuerKey` (the
// issuer's name from `issuer`, or its own when that is null).
std::unique_ptr<X509, X509Deleter> makeCertificate(EVP_PKEY* key, const char* subject, long serial, X509* issuer,
                                                   EVP_PKEY* issuerKey, bool authority)
{
    std::unique_ptr<X509, X509Deleter> cert(X509_new());
    if (!cert || key == nullptr || issuerKey == nullptr)
        return nullptr;
    X509_set_version(cert.get(), 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), serial);
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), -3600);
    X509_gmtime_adj(X509_getm_notAfter(cert.get()), 24 * 3600);
    X509_set_pubkey(cert.get(), key);
    X509_NAME* name = X509_get_subject_name(cert.get());
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(subject), -1, -1, 0);
    X509_set_issuer_name(cert.get(), issuer != nullptr ? X509_get_subject_name(issuer) : name);
    X509* signer = issuer != nullptr ? issuer : cert.get();
    bool ok = authority ? addExtension(cert.get(), signer, NID_basic_constraints, "critical,CA:TRUE") &&
                              addExtension(cert.get(), signer, NID_key_usage, "critical,keyCertSign,cRLSign")
                        : addExtension(cert.get(), signer, NID_subject_alt_name, "IP:127.0.0.1") &&
                              addExtension(cert.get(), signer, NID_basic_constraints, "CA:FALSE");
    if (!ok || X509_sign(cert.get(), issuerKey, EVP_sha256()) == 0)
        return nullptr;
    return cert;
}

template <typename Writer> std::string pem(Writer write)
{
    std::unique_ptr<BIO, BioDeleter> bio(BIO_new(BIO_s_mem()));
    if (!bio || write(bio.get()) != 1)
        return {};
    char* data = nullptr;
    long length = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<std::size_t>(length));
}

} // namespace

TestAuthority::TestAuthority()
    : m_caKey(EVP_EC_gen("P-256")), m_serverKey(EVP_EC_gen("P-256")), m_selfKey(EVP_EC_gen("P-256"))
{
    m_caCert = makeCertificate(m_caKey.get(), "Tarvo Test Authority", 1, nullptr, m_caKey.get(), true);
    if (!m_caCert)
        return;
    m_serverCert = makeCertificate(m_serverKey.get(), "127.0.0.1", 2, m_caCert.get(), m_caKey.get(), false);
    m_selfCert = makeCertificate(m_selfKey.get(), "127.0.0.1", 3, nullptr, m_selfKey.get(), false);
    m_caPem = pem([this](BIO* bio) { return PEM_write_bio_X509(bio, m_caCert.get()); });
    m_valid = m_serverCert && m_selfCert && !m_caPem.empty();
}

std::string TestAuthority::serverCertificatePem() const
{
    return pem([this](BIO* bio) { return PEM_write_bio_X509(bio, m_serverCert.get()); });
}

std::string TestAuthority::serverKeyPem() const
{
    return pem([this](BIO* bio) {
        return PEM_write_bio_PrivateKey(bio, m_serverKey.get(), nullptr, nullptr, 0, nullptr, nullptr);
    });
}

} // namespace tarvo::test
