// A real HTTP/2 server for tests: Debian's nghttpd on 127.0.0.1, over TLS with a fresh
// self-signed certificate (so clients must not check it), serving the files of a folder of its
// own. libcurl speaks HTTP/2 to it, which the loopback server cannot.
#pragma once

#include "ServerProcess.h"
#include "TempFolder.h"

#include <string>

class Http2Server {
public:
    // Throws std::runtime_error when nghttpd does not start.
    Http2Server();

    // "https://127.0.0.1:PORT", without a trailing slash.
    std::string baseUrl() const;
    // Writes `bytes` as the file the server answers for "/" + `name`.
    void serve(const std::string& name, const std::string& bytes) const;

private:
    TempFolder folder_; // the certificate, the log and the served files in "docs"
    ServerProcess process_;
};
