// The Turkish locale as the process locale for the lifetime of the object: there the C library's
// toupper('i') is the dotted capital I (0xDD in ISO-8859-9), not 'I', which is what code that
// folds ASCII names through <cctype> gets wrong. The locale is compiled into a temporary folder
// with localedef, so that no system locale needs to be installed.
#pragma once

#include <string>

class TurkishLocale {
public:
    TurkishLocale();
    ~TurkishLocale();
    TurkishLocale(const TurkishLocale&) = delete;
    TurkishLocale& operator=(const TurkishLocale&) = delete;

    // False when the locale could not be made (no localedef or no locale sources); the test
    // should then skip.
    bool active() const { return active_; }

private:
    std::string folder_;
    std::string previous_;
    bool active_ = false;
};
