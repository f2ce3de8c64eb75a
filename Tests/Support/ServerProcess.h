// A test server that runs as a child process (Radicale, nghttpd) on a free port of 127.0.0.1: it
// is started, waited for until it accepts connections, and stopped with the object; it also dies
// with the test process if that ends first.
#pragma once

#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

class ServerProcess {
public:
    // The command line that makes the server listen on `port`; it may write the files the
    // server reads before it is run.
    using CommandFor = std::function<std::vector<std::string>(int port)>;

    ServerProcess() = default;
    ~ServerProcess() { stop(); }
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    // Runs the command, its output appended to `logPath`, and waits until the port accepts
    // connections. Another process may take the port between the probe and the server's bind,
    // so a few ports are tried. False when the server did not come up on any.
    bool start(const CommandFor& commandFor, const std::string& logPath);
    // Ends the server (SIGTERM, then SIGKILL); nothing when it is not running.
    void stop();

    int port() const { return port_; }

private:
    int port_ = 0;
    pid_t pid_ = -1;
};
