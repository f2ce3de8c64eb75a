// Fuzzes the mapping file reader: the input is written to a file and loaded. Whatever the bytes,
// the map holds no refused row, only upper-case property names, and maps uniqueid to UID
// whenever it holds anything.
#include "Mapping/DataMapping.h"

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// One file per process, rewritten for every input and removed at exit.
const std::string& inputFile() {
    static const std::string path = [] {
        char pattern[] = "/tmp/talvero-mapping-fuzz-XXXXXX";
        const int fd = ::mkstemp(pattern);
        if (fd < 0)
            std::abort();
        ::close(fd);
        static std::string name = pattern;
        std::atexit([] { std::remove(name.c_str()); });
        return name;
    }();
    return path;
}

void fail(const char* what, const std::string& name) {
    std::fprintf(stderr, "%s: %s\n", what, name.c_str());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(inputFile().c_str(), "wb");
    if (file == nullptr)
        std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size)
        std::abort();
    std::fclose(file);

    // A field name no file can hold (it contains the field separator): it must be gone after
    // any load.
    FieldMap map{{"stale,", {"X", ""}}};
    DataMapping().LoadvCardMapping(inputFile(), map);
    if (map.empty())
        return 0;
    const auto uniqueid = map.find("uniqueid");
    if (uniqueid == map.end() || uniqueid->second.property != "UID" ||
        !uniqueid->second.type.empty())
        fail("uniqueid is not mapped to UID", "uniqueid");
    for (const auto& [name, entry] : map) {
        if (name == "etag" || name == "modifed_on" || name == "created_on" || name.empty())
            fail("refused or empty field name taken", name);
        if (name != "uniqueid" && entry.property == "UID")
            fail("row for UID taken", name);
        if (entry.property.empty())
            fail("empty property", name);
        for (char c : entry.property)
            if (c >= 'a' && c <= 'z')
                fail("property not upper-cased", name);
        if (name == "stale,")
            fail("map not emptied before loading", name);
    }
    return 0;
}
