// A fresh self-signed TLS certificate for 127.0.0.1 and localhost, made at test time, for test
// servers that speak HTTPS (the loopback server, Radicale).
#pragma once

#include <string>

struct CertificateFiles {
    std::string certificateFile; // PEM
    std::string keyFile;         // PEM, unencrypted, readable by the owner only
};

// Writes a new key pair and a certificate signed with it, valid for a day, as "cert.pem" and
// "key.pem" in `directory` (created when missing). Throws std::runtime_error on failure.
CertificateFiles writeSelfSignedCertificate(const std::string& directory);
