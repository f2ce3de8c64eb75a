#include "CardStore.h"

#include <algorithm>
#include <cctype>
#include <iterator>

namespace {

std::string quoted(const std::string& tag) {
    return "\"" + tag + "\"";
}

loopback::Response tagged(int status, const std::string& tag, std::string body = {}) {
    return loopback::Response(status, {"ETag: " + quoted(tag)}, std::move(body));
}

std::string gone(const std::string& href) {
    return "<d:response><d:href>" + href +
           "</d:href><d:status>HTTP/1.1 404 Not Found</d:status></d:response>";
}

std::string cut(const std::string& bookPath) {
    return "<d:response><d:href>" + bookPath +
           "</d:href><d:status>HTTP/1.1 507 Insufficient Storage</d:status><d:error>"
           "<d:number-of-matches-within-limits/></d:error></d:response>";
}

// The hrefs a multiget names.
std::vector<std::string> namedHrefs(const std::string& body) {
    std::vector<std::string> hrefs;
    const std::string open = "<D:href>";
    for (std::size_t at = body.find(open); at != std::string::npos; at = body.find(open, at)) {
        at += open.size();
        hrefs.push_back(body.substr(at, body.find("</D:href>", at) - at));
    }
    return hrefs;
}

} // namespace

std::string davResponse(const std::string& href, const std::string& properties) {
    return "<d:response><d:href>" + href + "</d:href><d:propstat><d:prop>" + properties +
           "</d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat></d:response>";
}

loopback::Response davMultistatus(const std::string& responses) {
    return loopback::xmlResponse(
        207, "<?xml version=\"1.0\" encoding=\"utf-8\"?><d:multistatus xmlns:d=\"DAV:\" "
             "xmlns:card=\"urn:ietf:params:xml:ns:carddav\">" +
                 responses + "</d:multistatus>");
}

std::string escapeXml(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        if (c == '&')
            escaped += "&amp;";
        else if (c == '<')
            escaped += "&lt;";
        else
            escaped += c;
    }
    return escaped;
}

std::string asListed(const std::string& text, bool withCategories) {
    static const char* const asked[] = {"BEGIN",
                                        "END",
                                        "VERSION",
                                        "UID",
                                        "FN",
                                        "X-ADDRESSBOOKSERVER-KIND",
                                        "X-ADDRESSBOOKSERVER-MEMBER",
                                        "KIND",
                                        "MEMBER",
                                        "CATEGORIES"};
    std::string listed;
    bool keep = false;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end + 1;
        const std::string line = text.substr(start, end - start);
        start = end;
        if (line[0] != ' ' && line[0] != '\t') {
            std::string name = line.substr(0, line.find_first_of(";:"));
            if (name.rfind("\xEF\xBB\xBF", 0) == 0)
                name.erase(0, 3); // a byte-order mark before BEGIN
            name = name.substr(name.rfind('.') == std::string::npos ? 0 : name.rfind('.') + 1);
            for (char& c : name)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            const auto end = std::end(asked) - (withCategories ? 0 : 1);
            keep = std::find(std::begin(asked), end, name) != end;
        }
        if (keep)
            listed += line;
    }
    return listed;
}

CardStore::CardStore(loopback::HttpServer& server) {
    server.setHandler([this](const loopback::Request& request) { return answer(request); });
}

void CardStore::put(const std::string& path, const std::string& text, const std::string& tag) {
    const std::lock_guard<std::mutex> lock(mutex_);
    resources_[path] = {text, tag};
    changed(path);
}

void CardStore::remove(const std::string& path) {
    const std::lock_guard<std::mutex> lock(mutex_);
    resources_.erase(path);
    changed(path);
}

std::string CardStore::text(const std::string& path) const {
    const std::lock_guard<std::mutex> lock(mutex_);
    const auto found = resources_.find(path);
    return found == resources_.end() ? "" : found->second.text;
}

std::string CardStore::tag(const std::string& path) const {
    const std::lock_guard<std::mutex> lock(mutex_);
    const auto found = resources_.find(path);
    return found == resources_.end() ? "" : found->second.tag;
}

bool CardStore::holds(const std::string& path) const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return resources_.count(path) > 0;
}

std::map<std::string, std::string> CardStore::texts() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    std::map<std::string, std::string> stored;
    for (const auto& [path, resource] : resources_)
        stored.emplace(path, resource.text);
    return stored;
}

void CardStore::serveBook(const std::string& bookPath, BookQuirks quirks) {
    const std::lock_guard<std::mutex> lock(mutex_);
    bookPath_ = bookPath;
    quirks_ = std::move(quirks);
}

std::string CardStore::token() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return "sync-" + std::to_string(changeLog_.size());
}

void CardStore::changed(const std::string& path) {
    if (!bookPath_.empty() && path.rfind(bookPath_, 0) == 0)
        changeLog_.push_back(path);
}

std::vector<std::pair<std::string, const CardStore::Resource*>> CardStore::members() const {
    std::vector<std::pair<std::string, const Resource*>> found;
    for (const auto& [path, resource] : resources_)
        if (path.rfind(bookPath_, 0) == 0 && path.size() > bookPath_.size())
            found.emplace_back(path, &resource);
    return found;
}

void CardStore::failNext(const std::string& method, const std::string& path,
                         loopback::Response answer) {
    const std::lock_guard<std::mutex> lock(mutex_);
    failures_.emplace_back(method + " " + path, std::move(answer));
}

void CardStore::beforeNextPut(const std::string& path, std::function<void()> change) {
    const std::lock_guard<std::mutex> lock(mutex_);
    beforePut_[path] = std::move(change);
}

loopback::Response CardStore::answer(const loopback::Request& request) {
    std::function<void()> change;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        const std::string key = request.method + " " + request.target;
        for (auto failure = failures_.begin(); failure != failures_.end(); ++failure) {
            if (failure->first == key) {
                loopback::Response scripted = std::move(failure->second);
                failures_.erase(failure);
                return scripted;
            }
        }
        if (request.method == "PUT") {
            const auto hook = beforePut_.find(request.target);
            if (hook != beforePut_.end()) {
                change = std::move(hook->second);
                beforePut_.erase(hook);
            }
        }
    }
    if (change)
        change(); // takes the lock itself
    const std::lock_guard<std::mutex> lock(mutex_);
    if (!bookPath_.empty() && request.target == bookPath_)
        return bookReport(request);
    const auto found = resources_.find(request.target);
    if (request.method == "PUT")
        return store(request);
    if (found == resources_.end())
        return loopback::Response(404);
    if (request.method == "GET")
        return tagged(200, found->second.tag, found->second.text);
    if (request.method == "DELETE") {
        const auto ifMatch = request.header("If-Match");
        if (ifMatch && *ifMatch != quoted(found->second.tag))
            return loopback::Response(412);
        resources_.erase(found);
        changed(request.target);
        return loopback::Response(204);
    }
    if (request.method == "PROPFIND")
        return davMultistatus(davResponse(
            request.target, "<d:getetag>" + quoted(found->second.tag) + "</d:getetag>"));
    return loopback::Response(405);
}

loopback::Response CardStore::store(const loopback::Request& request) {
    const auto found = resources_.find(request.target);
    const auto ifMatch = request.header("If-Match");
    const auto ifNoneMatch = request.header("If-None-Match");
    if (ifMatch && (found == resources_.end() || *ifMatch != quoted(found->second.tag)))
        return loopback::Response(412);
    if (ifNoneMatch && *ifNoneMatch == "*" && found != resources_.end())
        return loopback::Response(412);
    const bool created = found == resources_.end();
    const std::string path =
        created && quirks_.createsAt ? quirks_.createsAt(request.target) : request.target;
    Resource& resource = resources_[path];
    resource.text = quirks_.storesAs ? quirks_.storesAs(request.body, path, created) : request.body;
    const int serial = nextTag_++;
    resource.tag = quirks_.tagSpelling ? quirks_.tagSpelling(serial) : "s" + std::to_string(serial);
    changed(path);
    loopback::Response stored(created ? 201 : 204);
    if (quirks_.tagsPuts)
        stored.headerLines.push_back("ETag: " + quoted(resource.tag));
    if (path != request.target)
        stored.headerLines.push_back("Location: " + path);
    return stored;
}

loopback::Response CardStore::bookReport(const loopback::Request& request) {
    const std::string& body = request.body;
    if (request.method == "PROPFIND" && request.header("Depth") == std::optional<std::string>("0"))
        return davMultistatus(davResponse(bookPath_, "<d:sync-token>sync-" +
                                                         std::to_string(changeLog_.size()) +
                                                         "</d:sync-token>"));
    if (request.method == "PROPFIND") {
        std::string responses = davResponse(bookPath_, "<d:resourcetype><d:collection/>"
                                                       "<card:addressbook/></d:resourcetype>");
        for (const auto& [path, resource] : members())
            responses += davResponse(path, "<d:getetag>" + quoted(resource->tag) + "</d:getetag>");
        return davMultistatus(responses);
    }
    if (request.method != "REPORT")
        return loopback::Response(405);
    if (body.find("sync-collection") != std::string::npos)
        return syncCollection(request);
    const bool whole = body.find("<C:address-data/>") != std::string::npos;
    if (body.find("addressbook-multiget") != std::string::npos) {
        std::string responses;
        for (const std::string& href : namedHrefs(body)) {
            if (quirks_.omittedFromMultiget.count(href))
                continue;
            const std::string spelled =
                quirks_.multigetSpelling ? quirks_.multigetSpelling(href) : href;
            const auto found = resources_.find(href);
            if (found == resources_.end()) {
                responses += gone(spelled);
                continue;
            }
            responses +=
                davResponse(spelled, "<d:getetag>" + quoted(found->second.tag) +
                                         "</d:getetag><card:address-data>" +
                                         escapeXml(found->second.text) + "</card:address-data>");
        }
        return davMultistatus(responses);
    }
    if (whole && quirks_.refuseWholeQuery != 0)
        return loopback::Response(quirks_.refuseWholeQuery);
    std::string responses;
    std::size_t listed = 0;
    for (const auto& [path, resource] : members()) {
        if (quirks_.queryLimit > 0 && listed == quirks_.queryLimit) {
            responses += cut(bookPath_);
            break;
        }
        ++listed;
        const std::string text =
            whole || !quirks_.listingHonoursPartialData
                ? resource->text
                : asListed(resource->text,
                           request.body.find("\"CATEGORIES\"") != std::string::npos);
        // The length of the resource, where asked, whatever part of its text is sent.
        const std::string length =
            body.find("<D:getcontentlength/>") == std::string::npos
                ? ""
                : "<d:getcontentlength>" + std::to_string(resource->text.size()) +
                      "</d:getcontentlength>";
        responses += davResponse(path, "<d:getetag>" + quoted(resource->tag) + "</d:getetag>" +
                                           length + "<card:address-data>" + escapeXml(text) +
                                           "</card:address-data>");
    }
    return davMultistatus(responses);
}

loopback::Response CardStore::syncCollection(const loopback::Request& request) {
    const std::string& body = request.body;
    std::size_t from = 0;
    const std::string open = "<D:sync-token>";
    const std::size_t at = body.find(open);
    if (at != std::string::npos) {
        const std::string asked =
            body.substr(at + open.size(), body.find("</D:sync-token>", at) - at - open.size());
        const bool known = asked.size() > 5 && asked.size() < 15 && asked.rfind("sync-", 0) == 0 &&
                           std::all_of(asked.begin() + 5, asked.end(),
                                       [](char c) { return c >= '0' && c <= '9'; }) &&
                           std::stoul(asked.substr(5)) <= changeLog_.size();
        if (!known)
            return loopback::xmlResponse(
                403, "<d:error xmlns:d=\"DAV:\"><d:valid-sync-token/></d:error>");
        from = std::stoul(asked.substr(5));
    }
    // Each member changed since, once, at its last change; where the answer is capped, the
    // changes up to the cap.
    std::size_t to = changeLog_.size();
    const bool capped =
        at != std::string::npos && quirks_.syncLimit > 0 && to - from > quirks_.syncLimit;
    if (capped)
        to = from + quirks_.syncLimit;
    std::vector<std::string> changes;
    std::set<std::string> seen;
    if (at == std::string::npos) {
        for (const auto& [path, resource] : members())
            changes.push_back(path);
    } else {
        for (std::size_t n = to; n > from; --n)
            if (seen.insert(changeLog_[n - 1]).second)
                changes.push_back(changeLog_[n - 1]);
        std::reverse(changes.begin(), changes.end());
    }
    const bool withData =
        quirks_.syncSendsCardData && body.find("address-data") != std::string::npos;
    std::string responses;
    for (const std::string& path : changes) {
        const auto found = resources_.find(path);
        if (found == resources_.end()) {
            responses += gone(path);
            continue;
        }
        std::string properties = "<d:getetag>" + quoted(found->second.tag) + "</d:getetag>";
        if (withData)
            properties +=
                "<card:address-data>" + escapeXml(found->second.text) + "</card:address-data>";
        responses += davResponse(path, properties);
    }
    if (capped)
        responses += cut(bookPath_);
    return davMultistatus(responses + "<d:sync-token>sync-" + std::to_string(to) +
                          "</d:sync-token>");
}
