#include "Http2Server.h"

#include "SelfSignedCertificate.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

Http2Server::Http2Server() {
    const CertificateFiles certificate = writeSelfSignedCertificate(folder_.path());
    const std::string documents = folder_.path() + "/docs";
    std::filesystem::create_directory(documents);
    const std::string logPath = folder_.path() + "/server.log";
    const auto command = [&](int port) {
        return std::vector<std::string>{"nghttpd",
                                        "--address=127.0.0.1",
                                        "--htdocs=" + documents,
                                        std::to_string(port),
                                        certificate.keyFile,
                                        certificate.certificateFile};
    };
    if (!process_.start(command, logPath)) {
        std::ifstream log(logPath);
        std::ostringstream text;
        text << log.rdbuf();
        throw std::runtime_error("nghttpd did not start; its output:\n" + text.str());
    }
}

std::string Http2Server::baseUrl() const {
    return "https://127.0.0.1:" + std::to_string(process_.port());
}

void Http2Server::serve(const std::string& name, const std::string& bytes) const {
    folder_.write("docs/" + name, bytes);
}
