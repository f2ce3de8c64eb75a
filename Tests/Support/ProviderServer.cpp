#include "ProviderServer.h"

#include "HttpDigest.h"
#include "SelfSignedCertificate.h"
#include "TempFolder.h"
#include "TinyPictures.h"
#include "base64.h"

#include <random>

namespace providers {
namespace {

using loopback::Request;
using loopback::Response;

// One certificate for every provider host of the test process (making a key takes a while).
const CertificateFiles& certificate() {
    static const TempFolder folder;
    static const CertificateFiles files = writeSelfSignedCertificate(folder.path());
    return files;
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// The UID line's value of a card text (none folded in the cards a test stores), whatever
// parameters the line carries.
std::string uidOf(const std::string& text) {
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(at, end - at);
        at = end + 1;
        if (line.rfind("UID", 0) != 0 || line.size() < 4 || (line[3] != ':' && line[3] != ';'))
            continue;
        const std::size_t value = line.find(':') + 1;
        return line.substr(value, line.find_last_not_of('\r') + 1 - value);
    }
    return "";
}

std::string sabreError(const std::string& exception, const std::string& message,
                       const std::string& more = "") {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<d:error xmlns:d=\"DAV:\" xmlns:s=\"http://sabredav.org/ns\">\n"
           "  <s:exception>" +
           exception + "</s:exception>\n  <s:message>" + escapeXml(message) + "</s:message>\n" +
           more + "</d:error>\n";
}

// The error body a SabreDAV server writes for `status`, answering `request` (the messages its
// exceptions carry).
std::string sabreErrorFor(int status, const Request& request) {
    switch (status) {
    case 401:
        return sabreError("Sabre\\DAV\\Exception\\NotAuthenticated",
                          "Username or password was incorrect");
    case 403:
        return sabreError("Sabre\\DAVACL\\Exception\\NeedPrivileges",
                          "User did not have the required privileges ({DAV:}write-content) for "
                          "path \"" +
                              request.target.substr(1) + "\"",
                          "  <d:need-privileges/>\n");
    case 404:
        return sabreError("Sabre\\DAV\\Exception\\NotFound", "Card not found");
    case 412:
        return request.header("If-Match")
                   ? sabreError("Sabre\\DAV\\Exception\\PreconditionFailed",
                                "An If-Match header was specified, but none of the specified "
                                "ETags matched.",
                                "  <s:header>If-Match</s:header>\n")
                   : sabreError("Sabre\\DAV\\Exception\\PreconditionFailed",
                                "An If-None-Match header was specified, but the ETag matched (or "
                                "* was specified).",
                                "  <s:header>If-None-Match</s:header>\n");
    default:
        return sabreError("Sabre\\DAV\\Exception", "HTTP " + std::to_string(status));
    }
}

std::string collectionType() {
    return "<d:resourcetype><d:collection/></d:resourcetype>";
}

std::string hrefIn(const std::string& property, const std::string& href) {
    return "<" + property + "><d:href>" + href + "</d:href></" + property + ">";
}

} // namespace

ProviderServer::ProviderServer(Shape shape) : shape_(std::move(shape)) {
    std::random_device device;
    nonce_ = std::to_string(device()) + std::to_string(device());
    loopback::Options tls;
    tls.certificateFile = certificate().certificateFile;
    tls.keyFile = certificate().keyFile;
    for (const Host host : hosts()) {
        auto server = std::make_unique<loopback::HttpServer>(tls);
        server->setHandler([this, host](const Request& request) { return answer(host, request); });
        hosts_.emplace(host, std::move(server));
    }
    for (const Book& book : shape_.books) {
        books_.push_back(std::make_unique<CardStore>());
        books_.back()->serveBook(book.path, shape_.quirks);
        for (const Seed& seed : book.cards)
            putAsAnotherClient(book.path + seed.file, seedText(seed), books_.size() - 1);
    }
}

void ProviderServer::putAsAnotherClient(const std::string& path, const std::string& text,
                                        std::size_t book) {
    const int serial = otherWrites_++;
    books_.at(book)->put(path, text,
                         shape_.quirks.tagSpelling ? shape_.quirks.tagSpelling(serial)
                                                   : "v" + std::to_string(serial));
}

std::vector<Host> ProviderServer::hosts() const {
    std::vector<Host> used{Host::Typed};
    for (const Host host : {Host::Partition, Host::Content}) {
        bool uses = shape_.homeHost == host;
        for (const Picture& picture : shape_.pictures)
            uses = uses || picture.host == host;
        if (uses)
            used.push_back(host);
    }
    return used;
}

std::string ProviderServer::baseUrl(Host host) const {
    return hosts_.at(host)->baseUrl();
}

std::string ProviderServer::bookUrl(std::size_t book) const {
    return url(shape_.homeHost, shape_.books.at(book).path);
}

std::string ProviderServer::seedText(const Seed& seed) const {
    std::string text = seed.text;
    for (const Host host : hosts())
        if (host != Host::Typed)
            text = replaced(std::move(text), host == Host::Partition ? "%PARTITION%" : "%CONTENT%",
                            baseUrl(host));
    return text;
}

std::optional<std::string> ProviderServer::pathOf(const std::string& uid, std::size_t book) const {
    for (const auto& [path, text] : books_.at(book)->texts())
        if (uidOf(text) == uid)
            return path;
    return std::nullopt;
}

std::vector<Request> ProviderServer::requests(Host host) const {
    const auto found = hosts_.find(host);
    return found == hosts_.end() ? std::vector<Request>() : found->second->requests();
}

const std::string& ProviderServer::pictureBytes() {
    static const std::string picture = tinyJpeg(24, 16);
    return picture;
}

bool ProviderServer::authorized(const Request& request) const {
    const auto given = request.header("Authorization");
    if (!given)
        return false;
    switch (shape_.credentials) {
    case Credentials::Basic: {
        const std::string pair = shape_.user + ":" + shape_.secret;
        return *given ==
               "Basic " + base64_encode(reinterpret_cast<const unsigned char*>(pair.data()),
                                        static_cast<unsigned int>(pair.size()));
    }
    case Credentials::Bearer:
        return *given == "Bearer " + shape_.secret;
    case Credentials::Digest:
        return loopback::digestAuthorizes(*given, {shape_.user, shape_.secret, shape_.realm},
                                          nonce_, request.method, request.target);
    }
    return false;
}

Response ProviderServer::refusal() const {
    std::string challenge;
    switch (shape_.credentials) {
    case Credentials::Basic:
        challenge = "Basic realm=\"" + shape_.realm + "\"";
        break;
    case Credentials::Bearer:
        challenge = "Bearer realm=\"" + shape_.realm + "\", error=\"invalid_token\"";
        break;
    case Credentials::Digest:
        challenge = loopback::digestChallenge({shape_.user, shape_.secret, shape_.realm}, nonce_);
        break;
    }
    return Response(401, {"WWW-Authenticate: " + challenge});
}

Response ProviderServer::withErrorBody(Response response, const Request& request) const {
    if (shape_.errors == ErrorBodies::SabreDav && response.status >= 400 && response.body.empty()) {
        response.headerLines.push_back("Content-Type: application/xml; charset=utf-8");
        response.body = sabreErrorFor(response.status, request);
    }
    return response;
}

Response ProviderServer::discoveryAnswer(const Request& request) const {
    if (request.target == "/.well-known/carddav") {
        if (shape_.wellKnown.empty())
            return Response(404);
        return Response(301, {"Location: " + url(Host::Typed, shape_.wellKnown)});
    }
    switch (shape_.root) {
    case Root::NotFound:
        return Response(404, {"Content-Type: text/html; charset=UTF-8"},
                        "<!DOCTYPE html><title>Error 404 (Not Found)</title><p>The requested URL "
                        "<code>/</code> was not found on this server.");
    case Root::NotAllowed:
        return Response(405, {"Content-Type: text/html"},
                        "<html><head><title>405 Not Allowed</title></head><body><center><h1>405 "
                        "Not Allowed</h1></center><hr><center>nginx</center></body></html>");
    case Root::WebLogin:
    case Root::Principal:
        break;
    }
    return Response(
        302, {"Location: " + url(Host::Typed, "/login"), "Content-Type: text/html; charset=UTF-8"});
}

std::string ProviderServer::bookResponse(const Book& book, std::string properties) const {
    if (shape_.privileges) {
        properties += "<d:current-user-privilege-set><d:privilege><d:read/></d:privilege>";
        if (book.writable)
            for (const char* right : {"write", "write-content", "bind", "unbind"})
                properties += std::string("<d:privilege><d:") + right + "/></d:privilege>";
        properties += "</d:current-user-privilege-set>";
    }
    std::string response = davResponse(book.path, properties);
    // A server without WebDAV ACL answers the property as one it does not know.
    if (!shape_.privileges)
        response.insert(response.rfind("</d:response>"),
                        "<d:propstat><d:prop><d:current-user-privilege-set/></d:prop>"
                        "<d:status>HTTP/1.1 404 Not Found</d:status></d:propstat>");
    return response;
}

std::string ProviderServer::addressBooks() const {
    std::string responses = davResponse(shape_.home, collectionType());
    for (const Book& book : shape_.books)
        responses += bookResponse(book, "<d:resourcetype><d:collection/><card:addressbook/>"
                                        "</d:resourcetype><d:displayname>" +
                                            escapeXml(book.name) + "</d:displayname>");
    return responses;
}

Response ProviderServer::bookAnswer(std::size_t index, const Request& request) {
    const Book& book = shape_.books[index];
    CardStore& store = *books_[index];
    if ((request.method == "PUT" || request.method == "DELETE") && !book.writable)
        return withErrorBody(Response(403), request);
    // The book's own properties: its token, and the account's privileges where asked.
    if (request.method == "PROPFIND" && request.target == book.path &&
        request.header("Depth") == std::optional<std::string>("0") &&
        request.body.find("current-user-privilege-set") != std::string::npos)
        return davMultistatus(
            bookResponse(book, "<d:sync-token>" + store.token() + "</d:sync-token>"));
    if (shape_.syncNeedsDepthOne && request.method == "REPORT" && request.target == book.path &&
        request.body.find("sync-collection") != std::string::npos &&
        request.header("Depth") != std::optional<std::string>("1"))
        return davMultistatus(davResponse(book.path, "") + "<d:sync-token>" + store.token() +
                              "</d:sync-token>");
    return withErrorBody(store.answer(request), request);
}

Response ProviderServer::answer(Host host, const Request& request) {
    const std::string& path = request.target;
    if (host == Host::Typed &&
        (path == "/.well-known/carddav" || (path == "/" && shape_.root != Root::Principal)))
        return discoveryAnswer(request);
    const Picture* picture = nullptr;
    for (const Picture& offered : shape_.pictures)
        if (offered.host == host && offered.path == path)
            picture = &offered;
    if (picture && !picture->needsCredentials)
        return Response(200, {"Content-Type: image/jpeg"}, pictureBytes());
    // Another party's host serves its public pictures, and nothing else.
    if (host == Host::Content)
        return Response(404);
    if (!authorized(request))
        return withErrorBody(refusal(), request);
    if (picture)
        return Response(200, {"Content-Type: image/jpeg"}, pictureBytes());

    if (request.method == "PROPFIND" &&
        request.body.find("current-user-principal") != std::string::npos)
        return davMultistatus(
            davResponse(path, hrefIn("d:current-user-principal", shape_.principal)));
    if (host == shape_.homeHost) {
        for (std::size_t book = 0; book < shape_.books.size(); ++book)
            if (path.rfind(shape_.books[book].path, 0) == 0)
                return bookAnswer(book, request);
        if (path == shape_.home && request.method == "PROPFIND")
            return davMultistatus(addressBooks());
    }
    if (host == Host::Typed && request.method == "PROPFIND") {
        if (path == shape_.principal)
            return davMultistatus(davResponse(
                path, hrefIn("card:addressbook-home-set",
                             shape_.homeHost == Host::Typed ? shape_.home : homeUrl())));
        if (path == "/" || path == shape_.davRoot)
            return davMultistatus(davResponse(
                path, collectionType() + (shape_.principalInAllprop
                                              ? hrefIn("d:current-user-principal", shape_.principal)
                                              : "")));
    }
    return withErrorBody(Response(404), request);
}

} // namespace providers
