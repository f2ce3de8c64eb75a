#include "RadicaleServer.h"

#include <arpa/inet.h>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <sstream>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

int freeLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof addr;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        if (fd >= 0)
            ::close(fd);
        throw std::runtime_error("no free loopback port");
    }
    ::close(fd);
    return ntohs(addr.sin_port);
}

bool accepts(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    ::close(fd);
    return ok;
}

void writeFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

} // namespace

RadicaleServer::RadicaleServer() : RadicaleServer(Options{}) {}

RadicaleServer::RadicaleServer(Options options) : options_(std::move(options)) {
    char pattern[] = "/tmp/talvero-radicale-XXXXXX";
    if (!::mkdtemp(pattern))
        throw std::runtime_error("cannot create a storage folder");
    folder_ = pattern;
    writeFile(folder_ + "/users", options_.user + ":" + options_.password + "\n");
    try {
        start();
    } catch (...) {
        std::filesystem::remove_all(folder_);
        throw;
    }
}

RadicaleServer::~RadicaleServer() {
    stop();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

std::string RadicaleServer::baseUrl() const {
    const bool tls = !options_.certificateFile.empty() && !options_.keyFile.empty();
    return std::string(tls ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_);
}

std::string RadicaleServer::log() const {
    std::ifstream in(folder_ + "/server.log", std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void RadicaleServer::start() {
    const bool tls = !options_.certificateFile.empty() && !options_.keyFile.empty();
    // Another process may take the port between our probe and Radicale's bind: try a few ports.
    for (int attempt = 0; attempt < 5; ++attempt) {
        port_ = freeLoopbackPort();
        std::ostringstream config;
        config << "[server]\nhosts = 127.0.0.1:" << port_ << "\n";
        if (tls)
            config << "ssl = True\ncertificate = " << options_.certificateFile
                   << "\nkey = " << options_.keyFile << "\n";
        config << "[auth]\ntype = htpasswd\nhtpasswd_filename = " << folder_
               << "/users\nhtpasswd_encryption = plain\ndelay = 0\n"
               << "[rights]\ntype = owner_only\n"
               << "[storage]\nfilesystem_folder = " << folder_ << "/collections\n"
               << "[web]\ntype = none\n"
               << "[logging]\nlevel = warning\n";
        writeFile(folder_ + "/config", config.str());

        const std::string configPath = folder_ + "/config";
        const std::string logPath = folder_ + "/server.log";
        const pid_t parent = ::getpid();
        pid_ = ::fork();
        if (pid_ < 0)
            throw std::runtime_error("fork failed");
        if (pid_ == 0) {
            // The server stops with the test process, even when that one crashes.
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (::getppid() != parent)
                ::_exit(1);
            const int logFd = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
            if (logFd >= 0) {
                ::dup2(logFd, 1);
                ::dup2(logFd, 2);
            }
            ::execlp("radicale", "radicale", "--config", configPath.c_str(),
                     static_cast<char*>(nullptr));
            ::_exit(127);
        }

        for (int waited = 0; waited < 300; ++waited) {
            if (accepts(port_))
                return;
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        stop();
    }
    throw std::runtime_error("Radicale did not start; its log:\n" + log());
}

void RadicaleServer::stop() {
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGTERM);
    int status = 0;
    for (int waited = 0; waited < 100; ++waited) {
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
}
