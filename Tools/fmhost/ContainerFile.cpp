#include "ContainerFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace {

std::string streamTypeOf(const std::string& bytes) {
    auto startsWith = [&](const char* magic, std::size_t length) {
        return bytes.compare(0, length, magic, length) == 0;
    };
    if (startsWith("\xFF\xD8\xFF", 3))
        return "JPEG";
    if (startsWith("\x89PNG\r\n\x1A\n", 8))
        return "PNGf";
    if (startsWith("GIF87a", 6) || startsWith("GIF89a", 6))
        return "GIFf";
    if (startsWith("BM", 2))
        return "BMPf";
    return "FILE";
}

} // namespace

fmx::host::Value containerFromFile(const std::string& path) {
    // The path is UTF-8, also on Windows, where a path made from a std::string would be read in
    // the ANSI code page.
    const std::filesystem::path filePath = std::filesystem::u8path(path);
    std::ifstream file(filePath, std::ios::binary);
    if (!file || std::filesystem::is_directory(filePath))
        throw std::runtime_error("cannot read file \"" + path +
                                 "\": " + (file ? "it is a directory" : std::strerror(errno)));
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad())
        throw std::runtime_error("cannot read file \"" + path + "\"");
    return containerFromBytes(std::move(bytes), filePath.filename().u8string());
}

fmx::host::Value containerFromBytes(std::string bytes, const std::string& fileName) {
    std::string type = streamTypeOf(bytes);
    return fmx::host::Value::container(
        {{std::move(type), std::move(bytes)}, fmx::host::Stream::fileName(fileName)});
}

const fmx::host::Stream* mainStream(const fmx::host::Value& container) {
    for (const fmx::host::Stream& stream : container.streams()) {
        if (stream.type != "FNAM" && stream.type != "SIZE" && stream.type != "DPI_")
            return &stream;
    }
    return nullptr;
}

std::string fileExtension(const std::string& streamType) {
    if (streamType == "JPEG")
        return "jpg";
    if (streamType == "PNGf")
        return "png";
    if (streamType == "GIFf")
        return "gif";
    if (streamType == "BMPf")
        return "bmp";
    return "bin";
}
