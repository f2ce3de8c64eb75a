#include "TurkishLocale.h"

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace {

constexpr const char* kName = "tr_TR.ISO-8859-9";

} // namespace

TurkishLocale::TurkishLocale() {
    char pattern[] = "/tmp/talvero-locale-XXXXXX";
    if (!mkdtemp(pattern))
        return;
    folder_ = pattern;
    const std::string command =
        "localedef -i tr_TR -f ISO-8859-9 '" + folder_ + "/" + kName + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0)
        return;
    previous_ = std::setlocale(LC_ALL, nullptr);
    setenv("LOCPATH", folder_.c_str(), 1);
    active_ = std::setlocale(LC_ALL, kName) != nullptr;
}

TurkishLocale::~TurkishLocale() {
    if (!previous_.empty())
        std::setlocale(LC_ALL, previous_.c_str());
    unsetenv("LOCPATH");
    if (!folder_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
}
