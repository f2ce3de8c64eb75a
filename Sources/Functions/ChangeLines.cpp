#include "Functions/ChangeLines.h"

void appendChangeLine(std::string& lines, std::string_view kind, const std::string& uid,
                      const std::string& etag, bool isgroup, const std::string& href) {
    lines.append(kind);
    lines += '\t';
    lines += uid;
    lines += '\t';
    lines += etag;
    lines += '\t';
    if (isgroup)
        lines += "group";
    lines += '\t';
    lines += href;
    lines += '\r';
}
