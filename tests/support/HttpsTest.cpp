#include "fixtures/HttpTestServer.h"
#include "support/HttpConnection.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <memory>
#include <string>

using namespace tarvo;
using tarvo::test::HttpTestServer;

namespace {

struct KeyDeleter {
    void operator()(EVP_PKEY* key) const noexcept { EVP_PKEY_free(key); }
};
struct CertDeleter {
    void operator()(X509* cert) const noexcept { X509_free(cert); }
};
struct BioDeleter {
    void operator()(BIO* bio) const noexcept { BIO_free(bio); }
};
struct ExtensionDeleter {
    void operator()(X509_EXTENSION* ext) const noexcept { X509_EXTENSION_free(ext); }
};

// A throwaway self-signed certificate for 127.0.0.1.
struct TestCertificate {
    std::unique_ptr<EVP_PKEY, KeyDeleter> key;
    std::unique_ptr<X509, CertDeleter> cert;
    std::string pem;

    TestCertificate() : key(EVP_EC_gen("P-256")), cert(X509_new())
    {
        if (!key || !cert)
            return;
        X509_set_version(cert.get(), 2);
        ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), 1);
        X509_gmtime_adj(X509_getm_notBefore(cert.get()), -3600);
        X509_gmtime_adj(X509_getm_notAfter(cert.get()), 3600);
        X509_set_pubkey(cert.get(), key.get());
        X509_NAME* name = X509_get_subject_name(cert.get());
        X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("127.0.0.1"),
                                   -1, -1, 0);
        X509_set_issuer_name(cert.get(), name);
        X509V3_CTX ctx;
        X509V3_set_ctx_nodb(&ctx);
        X509V3_set_ctx(&ctx, cert.get(), cert.get(), nullptr, nullptr, 0);
        std::unique_ptr<X509_EXTENSION, ExtensionDeleter> san(
            X509V3_EXT_conf_nid(nullptr, &ctx, NID_subject_alt_name, "IP:127.0.0.1"));
        if (!san || X509_add_ext(cert.get(), san.get(), -1) != 1)
            return;
        if (X509_sign(cert.get(), key.get(), EVP_sha256()) == 0)
            return;
        std::unique_ptr<BIO, BioDeleter> bio(BIO_new(BIO_s_mem()));
        if (!bio || PEM_write_bio_X509(bio.get(), cert.get()) != 1)
            return;
        char* data = nullptr;
        long length = BIO_get_mem_data(bio.get(), &data);
        pem.assign(data, static_cast<std::size_t>(length));
    }
};

std::string readAll(HttpConnection& connection)
{
    std::string body;
    char buffer[1024];
    int n;
    while ((n = connection.recv(buffer, sizeof buffer)) >= 1)
        body.append(buffer, static_cast<std::size_t>(n));
    return body;
}

TEST(Https, verifiedServerDeliversItsBodyAndAnUnverifiedOneGivesNoConnection)
{
    TestCertificate certificate;
    ASSERT_FALSE(certificate.pem.empty());
    HttpTestServer server(certificate.cert.get(), certificate.key.get());
    server.routes().Get("/verce/list.ver", [](const httplib::Request& req, httplib::Response& res) {
        res.set_content("pbook.txt,C,12,0,77\r\n" + req.get_header_value("Authorization"), "text/plain");
    });
    ASSERT_TRUE(server.start());
    ASSERT_EQ(server.url("/").rfind("https://", 0), 0U);

    HttpOptions trusted;
    trusted.caCertificatesPem = certificate.pem;
    auto connection = HttpConnection::open(server.url("/verce/list.ver"), "Authorization: Basic YQ==", trusted);
    ASSERT_TRUE(connection);
    EXPECT_EQ(connection->statusCode(), 200);
    EXPECT_EQ(readAll(*connection), "pbook.txt,C,12,0,77\r\nBasic YQ==");

    // The system's authorities do not know this certificate: a server that
    // cannot prove who it is gets neither the credentials nor the request.
    EXPECT_FALSE(HttpConnection::open(server.url("/verce/list.ver"), "Authorization: Basic YQ==", HttpOptions{}));
}

} // namespace
