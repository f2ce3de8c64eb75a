// Multistatus answers written the ways real CardDAV servers write them, for the parser tests.
#pragma once

#include <ostream>
#include <string>

struct ServerStyle {
    const char* name;
    std::string rootDeclarations; // attributes of the multistatus element
    std::string dav;              // prefix of the DAV: elements ("d:"), empty for the default
    bool statusFirst;             // status before prop inside a propstat
    bool missingFirst;            // the 404 propstat before the 200 one
};

// GoogleTest shows a style by its name, which keeps the tests' names the same from build to build.
inline void PrintTo(const ServerStyle& style, std::ostream* out) {
    *out << style.name;
}

class AnswerWriter {
public:
    explicit AnswerWriter(const ServerStyle& style) : style(style) {}

    std::string dav(const std::string& name, const std::string& content = "") const {
        return "<" + style.dav + name + ">" + content + "</" + style.dav + name + ">";
    }
    // One response with its found properties and, in a 404 propstat, its missing ones.
    std::string response(const std::string& href, const std::string& found,
                         const std::string& missing) const {
        const std::string ok = propstat(found, "HTTP/1.1 200 OK");
        const std::string notFound = propstat(missing, "HTTP/1.1 404 Not Found");
        return dav("response",
                   dav("href", href) + (style.missingFirst ? notFound + ok : ok + notFound));
    }
    std::string multistatus(const std::string& responses) const {
        return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<" + style.dav + "multistatus" +
               style.rootDeclarations + ">" + responses + "</" + style.dav + "multistatus>";
    }

private:
    std::string propstat(const std::string& props, const std::string& status) const {
        const std::string prop = dav("prop", props);
        const std::string line = dav("status", status);
        return dav("propstat", style.statusFirst ? line + prop : prop + line);
    }

    const ServerStyle& style;
};
