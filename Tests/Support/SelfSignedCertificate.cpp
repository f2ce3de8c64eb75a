#include "SelfSignedCertificate.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <sys/stat.h>

namespace {

template <typename T, void (*Free)(T*)> struct Deleter {
    void operator()(T* object) const { Free(object); }
};
using KeyPtr = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY, EVP_PKEY_free>>;
using CertificatePtr = std::unique_ptr<X509, Deleter<X509, X509_free>>;
using ExtensionPtr = std::unique_ptr<X509_EXTENSION, Deleter<X509_EXTENSION, X509_EXTENSION_free>>;

void require(bool ok, const char* what) {
    if (!ok)
        throw std::runtime_error(std::string("self-signed certificate: ") + what);
}

void addExtension(X509* certificate, int nid, const char* value) {
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, certificate, certificate, nullptr, nullptr, 0);
    ExtensionPtr extension(X509V3_EXT_conf_nid(nullptr, &context, nid, value));
    require(extension && X509_add_ext(certificate, extension.get(), -1) == 1, "extension");
}

void writePem(const std::string& path, mode_t mode, bool (*write)(FILE*, void*), void* object) {
    FILE* file = std::fopen(path.c_str(), "wb");
    require(file != nullptr, "cannot create a file");
    ::chmod(path.c_str(), mode);
    const bool written = write(file, object);
    require(std::fclose(file) == 0 && written, "cannot write a file");
}

} // namespace

CertificateFiles writeSelfSignedCertificate(const std::string& directory) {
    std::filesystem::create_directories(directory);

    KeyPtr key(EVP_EC_gen("P-256"));
    require(key != nullptr, "key generation");

    CertificatePtr certificate(X509_new());
    require(certificate != nullptr, "allocation");
    X509* cert = certificate.get();
    unsigned char serial[8];
    require(RAND_bytes(serial, sizeof serial) == 1, "serial number");
    serial[0] &= 0x7f; // positive
    uint64_t serialNumber = 0;
    for (unsigned char byte : serial)
        serialNumber = (serialNumber << 8) | byte;
    require(X509_set_version(cert, 2) == 1 &&
                ASN1_INTEGER_set_uint64(X509_get_serialNumber(cert), serialNumber) == 1 &&
                X509_gmtime_adj(X509_getm_notBefore(cert), -3600) != nullptr &&
                X509_gmtime_adj(X509_getm_notAfter(cert), 24 * 3600) != nullptr &&
                X509_set_pubkey(cert, key.get()) == 1,
            "fields");
    X509_NAME* name = X509_get_subject_name(cert);
    require(X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                                       reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1,
                                       0) == 1 &&
                X509_set_issuer_name(cert, name) == 1,
            "name");
    addExtension(cert, NID_basic_constraints, "critical,CA:TRUE");
    addExtension(cert, NID_subject_key_identifier, "hash");
    addExtension(cert, NID_authority_key_identifier, "keyid:always");
    addExtension(cert, NID_subject_alt_name, "IP:127.0.0.1,DNS:localhost");
    require(X509_sign(cert, key.get(), EVP_sha256()) > 0, "signature");

    CertificateFiles files{directory + "/cert.pem", directory + "/key.pem"};
    writePem(
        files.certificateFile, 0644,
        [](FILE* f, void* x) { return PEM_write_X509(f, static_cast<X509*>(x)) == 1; }, cert);
    writePem(
        files.keyFile, 0600,
        [](FILE* f, void* k) {
            return PEM_write_PrivateKey(f, static_cast<EVP_PKEY*>(k), nullptr, nullptr, 0, nullptr,
                                        nullptr) == 1;
        },
        key.get());
    return files;
}
