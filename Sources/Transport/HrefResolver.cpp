#include "Transport/HrefResolver.h"

#include "Utils/AsciiCase.h"
#include "Utils/VorlixUtils.h"

#include <curl/curl.h>

#include <algorithm>
#include <memory>
#include <utility>

namespace {

using UrlHandle = std::unique_ptr<CURLU, decltype(&curl_url_cleanup)>;

std::string urlPart(CURLU* url, CURLUPart part) {
    char* text = nullptr;
    if (curl_url_get(url, part, &text, 0) != CURLUE_OK || !text)
        return "";
    std::string result(text);
    curl_free(text);
    return result;
}

// Scheme and authority of `url` ("https://user@host:8443") when it has a path; `url` itself when
// it has none or is no URL, so that hrefs are then joined to it exactly as before.
std::string originOf(const std::string& url) {
    UrlHandle handle(curl_url(), curl_url_cleanup);
    if (!handle ||
        curl_url_set(handle.get(), CURLUPART_URL, url.c_str(), CURLU_PATH_AS_IS) != CURLUE_OK)
        return url;
    if (urlPart(handle.get(), CURLUPART_PATH) == "/")
        return url;
    // libcurl writes the URL back from its parts: without path, query and fragment only the
    // scheme and the authority remain, followed by the root "/".
    if (curl_url_set(handle.get(), CURLUPART_PATH, nullptr, 0) != CURLUE_OK ||
        curl_url_set(handle.get(), CURLUPART_QUERY, nullptr, 0) != CURLUE_OK ||
        curl_url_set(handle.get(), CURLUPART_FRAGMENT, nullptr, 0) != CURLUE_OK)
        return url;
    std::string origin = urlPart(handle.get(), CURLUPART_URL);
    if (origin.empty())
        return url;
    if (endswith(origin, "/"))
        origin.pop_back();
    return origin;
}

bool isFullUrl(std::string_view href) {
    return startsWithIgnoringAsciiCase(href, "http://") ||
           startsWithIgnoringAsciiCase(href, "https://");
}

} // namespace

HrefResolver::HrefResolver(std::string baseUrl)
    : base(std::move(baseUrl)), origin(originOf(base)) {}

std::string HrefResolver::resolve(std::string_view href) const {
    const bool absolutePath = !href.empty() && href[0] == '/';
    if (!absolutePath && isFullUrl(href))
        return std::string(href);
    const std::string& start = absolutePath ? origin : base;
    std::string url;
    url.reserve(start.size() + href.size());
    url.append(start).append(href);
    return url;
}

std::string resolveHref(const std::string& baseUrl, const std::string& href) {
    return HrefResolver(baseUrl).resolve(href);
}
