#include "CardStore.h"

namespace {

std::string quoted(const std::string& tag) {
    return "\"" + tag + "\"";
}

loopback::Response tagged(int status, const std::string& tag, std::string body = {}) {
    return loopback::Response(status, {"ETag: " + quoted(tag)}, std::move(body));
}

} // namespace

CardStore::CardStore(loopback::HttpServer& server) {
    server.setHandler([this](const loopback::Request& request) { return answer(request); });
}

void CardStore::put(const std::string& path, const std::string& text, const std::string& tag) {
    const std::lock_guard<std::mutex> lock(mutex_);
    resources_[path] = {text, tag};
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
    const auto found = resources_.find(request.target);
    if (request.method == "PUT")
        return store(request);
    if (found == resources_.end())
        return loopback::Response(404);
    if (request.method == "GET")
        return tagged(200, found->second.tag, found->second.text);
    if (request.method == "DELETE") {
        resources_.erase(found);
        return loopback::Response(204);
    }
    if (request.method == "PROPFIND")
        return loopback::xmlResponse(
            207, "<d:multistatus xmlns:d=\"DAV:\"><d:response><d:href>" + request.target +
                     "</d:href><d:propstat><d:prop><d:getetag>" + quoted(found->second.tag) +
                     "</d:getetag></d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat>"
                     "</d:response></d:multistatus>");
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
    Resource& resource = resources_[request.target];
    resource.text = request.body;
    resource.tag = "s" + std::to_string(nextTag_++);
    return tagged(created ? 201 : 204, resource.tag);
}
