#include "Transport/EntityTag.h"

#include "Utils/VorlixUtils.h"

std::string quotedEntityTag(const std::string& tag) {
    const std::string clean = replace(replace(tag, "\r", ""), "\n", "");
    if (startswith(clean, "\"") || startswith(clean, "W/\""))
        return clean;
    if (startswith(clean, "W/"))
        return "W/\"" + clean.substr(2) + "\"";
    return "\"" + clean + "\"";
}
