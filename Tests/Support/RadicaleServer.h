// A real CardDAV server for integration tests: Debian's Radicale, started on 127.0.0.1 on a free
// port with a fresh storage folder, plain htpasswd authentication and owner-only rights. It is
// stopped when the object is destroyed, and dies with the test process if that ends first.
#pragma once

#include "ServerProcess.h"

#include <string>

class RadicaleServer {
public:
    struct Options {
        std::string user = "alice";
        std::string password = "wonderland";
        // PEM files; when both are set the server speaks HTTPS only.
        std::string certificateFile;
        std::string keyFile;
    };

    RadicaleServer();
    explicit RadicaleServer(Options options);
    ~RadicaleServer();
    RadicaleServer(const RadicaleServer&) = delete;
    RadicaleServer& operator=(const RadicaleServer&) = delete;

    // "http://127.0.0.1:PORT" (or https), without a trailing slash.
    std::string baseUrl() const;
    int port() const { return process_.port(); }
    const std::string& user() const { return options_.user; }
    const std::string& password() const { return options_.password; }
    // The user's address-book home, "/alice/".
    std::string homePath() const { return "/" + options_.user + "/"; }
    // The storage and log folder (removed on destruction).
    const std::string& folder() const { return folder_; }
    // What the server has written to its log so far.
    std::string log() const;
    // Stops the server now (a server going down in the middle of a script); the destructor
    // then has nothing left to do.
    void stop();

private:
    void start();

    Options options_;
    std::string folder_;
    ServerProcess process_;
};
