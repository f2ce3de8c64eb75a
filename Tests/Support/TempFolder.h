// A fresh folder under /tmp for files a test writes, removed with everything in it at the end.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

class TempFolder {
public:
    TempFolder() {
        char pattern[] = "/tmp/talvero-groups-XXXXXX";
        if (!::mkdtemp(pattern))
            throw std::runtime_error("cannot create a temporary folder");
        path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }

    // Writes `bytes` to the file `name` in the folder and returns its path.
    std::string write(const std::string& name, const std::string& bytes) const {
        const std::string file = path_ + "/" + name;
        std::ofstream out(file, std::ios::binary);
        out << bytes;
        return file;
    }

private:
    std::string path_;
};
