#include "Transport/HeaderList.h"

#include <curl/curl.h>

#include <new>

curl_slist* headerList(const std::vector<std::string>& lines) {
    curl_slist* list = nullptr;
    for (const std::string& line : lines) {
        curl_slist* extended = curl_slist_append(list, line.c_str());
        if (extended == nullptr) {
            curl_slist_free_all(list);
            throw std::bad_alloc();
        }
        list = extended;
    }
    return list;
}
