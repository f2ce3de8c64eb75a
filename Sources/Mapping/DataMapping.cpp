#include "Mapping/DataMapping.h"

#include "Platform/OpenFile.h"
#include "Utils/AsciiCase.h"
#include "Utils/VorlixUtils.h"

#include <cstdio>
#include <memory>
#include <stdexcept>

FieldName splitFieldName(const std::string& field) {
    const std::vector<std::string> pieces = split(field, '_', 1);
    if (pieces.size() < 2)
        return {field, ""};
    return {pieces[0], pieces[1]};
}

FieldMap createDefaultRawDataMap() {
    // "INETERNATIONAL" is the TYPE value scripts and stored cards already rely on.
    return FieldMap{
        {"home", {"ADR", "HOME"}},
        {"work", {"ADR", "WORK"}},
        {"domestic", {"ADR", "DOMESTIC"}},
        {"postal", {"ADR", "POSTAL"}},
        {"international", {"ADR", "INETERNATIONAL"}},
        {"parcel", {"ADR", "PARCEL"}},
        {"birthday", {"BDAY", ""}},
        {"categories", {"CATEGORIES", ""}},
        {"classdata", {"CLASS", ""}},
        {"email1", {"EMAIL", "PREF"}},
        {"email2", {"EMAIL", ""}},
        {"displayname", {"FN", ""}},
        {"geo", {"GEO", ""}},
        {"label", {"LABEL", ""}},
        {"mailer", {"MAILER", ""}},
        {"name", {"N", ""}},
        {"nickname", {"NICKNAME", ""}},
        {"note", {"NOTE", ""}},
        {"company", {"ORG", ""}},
        {"productid", {"PRODID", ""}},
        {"photo", {"PHOTO", ""}},
        {"revdate", {"REV", ""}},
        {"role", {"ROLE", ""}},
        {"source", {"SOURCE", ""}},
        {"title", {"TITLE", ""}},
        {"timezone", {"TZ", ""}},
        {"url", {"URL", ""}},
        {"gender", {"X-WAB-GENDER", ""}},
        {"uniqueid", {"UID", ""}},
        {"celltel", {"TEL", "CELL"}},
        {"faxtel", {"TEL", "FAX"}},
        {"hometel", {"TEL", "HOME"}},
        {"pagertel", {"TEL", "PAGER"}},
        {"isdntel", {"TEL", "ISDN"}},
        {"modemtel", {"TEL", "MODEM"}},
        {"msgtel", {"TEL", "MSG"}},
        {"videotel", {"TEL", "VIDEO"}},
        {"voicetel", {"TEL", "VOICE"}},
        {"worktel", {"TEL", "WORK"}},
        {"bbstel", {"TEL", "BBS"}},
        {"cartel", {"TEL", "CAR"}},
        {"version", {"VERSION", ""}},
    };
}

namespace {

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

// Reads the whole file, at most `limit` bytes of it. False when a read fails; `tooLarge` is set
// (and the bytes read so far dropped) when the file holds more than `limit` bytes.
bool readWhole(std::FILE* file, std::size_t limit, std::string& text, bool& tooLarge) {
    char chunk[64 * 1024];
    tooLarge = false;
    for (;;) {
        const std::size_t count = std::fread(chunk, 1, sizeof chunk, file);
        if (text.size() + count > limit) {
            tooLarge = true;
            text.clear();
            return true;
        }
        text.append(chunk, count);
        if (count < sizeof chunk)
            return std::ferror(file) == 0;
    }
}

// LF separates the lines, unless the file has none or only as one of its last two bytes (a
// file of CR-ended lines with a stray line end after the last one): then CR does.
char lineSeparator(const std::string& text) {
    const std::size_t firstLf = text.find('\n');
    if (firstLf == std::string::npos || firstLf + 2 >= text.size())
        return '\r';
    return '\n';
}

bool isRefused(const std::string& name, const std::string& property) {
    return name == "modifed_on" || name == "created_on" || name == "etag" || name == "uniqueid" ||
           property == "UID";
}

// Takes one line into `fieldmap` when it is a row that is not refused.
void readRow(std::string line, FieldMap& fieldmap) {
    // The other line-break byte at the end: the CR of a CRLF line, or the LF of a last row
    // that a file split at CR ends with.
    if (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.pop_back();
    const std::vector<std::string> fields = split(line, ',', 0);
    if (fields.size() < 2)
        return;
    // Scripts name fields in any case; the vocabulary holds them in lower case.
    const std::string name = toLowerAscii(fields[0]);
    const std::string property = toUpperAscii(fields[1]);
    if (isRefused(name, property))
        return;
    fieldmap[name] = RawLayoutMap(property, fields.size() > 2 ? fields[2] : "");
}

} // namespace

std::int16_t DataMapping::LoadvCardMapping(std::string path, FieldMap& fieldmap) {
    fieldmap.clear();
    try {
        File file(platformOpenFile(path, "rb"), &std::fclose);
        if (!file)
            return kCannotOpen;
        std::string text;
        bool tooLarge = false;
        if (!readWhole(file.get(), kMaxFileSize, text, tooLarge))
            return kCannotOpen;
        if (tooLarge)
            return kTooLarge;

        const char separator = lineSeparator(text);
        for (std::size_t start = 0; start < text.size();) {
            std::size_t end = text.find(separator, start);
            if (end == std::string::npos)
                end = text.size();
            readRow(text.substr(start, end - start), fieldmap);
            start = end + 1;
        }
        if (!fieldmap.empty())
            fieldmap["uniqueid"] = RawLayoutMap("UID", "");
        return kLoaded;
    } catch (const std::exception&) {
        return kReadFailed;
    }
}
