#include "RadicaleServer.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace {

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
    return std::string(tls ? "https" : "http") + "://127.0.0.1:" + std::to_string(port());
}

std::string RadicaleServer::log() const {
    std::ifstream in(folder_ + "/server.log", std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void RadicaleServer::start() {
    const bool tls = !options_.certificateFile.empty() && !options_.keyFile.empty();
    const std::string configPath = folder_ + "/config";
    const auto command = [&](int port) {
        std::ostringstream config;
        config << "[server]\nhosts = 127.0.0.1:" << port << "\n";
        if (tls)
            config << "ssl = True\ncertificate = " << options_.certificateFile
                   << "\nkey = " << options_.keyFile << "\n";
        config << "[auth]\ntype = htpasswd\nhtpasswd_filename = " << folder_
               << "/users\nhtpasswd_encryption = plain\ndelay = 0\n"
               << "[rights]\ntype = owner_only\n"
               << "[storage]\nfilesystem_folder = " << folder_ << "/collections\n"
               << "[web]\ntype = none\n"
               << "[logging]\nlevel = warning\n";
        writeFile(configPath, config.str());
        return std::vector<std::string>{"radicale", "--config", configPath};
    };
    if (!process_.start(command, folder_ + "/server.log"))
        throw std::runtime_error("Radicale did not start; its log:\n" + log());
}

void RadicaleServer::stop() {
    process_.stop();
}
