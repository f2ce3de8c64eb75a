// The string resources in the forms of the other platforms hold the same IDs and texts as the
// table compiled into the Linux plug-in: the Windows string table as a resource compiler reads
// it (windres), the macOS Localizable.strings by the rules of the strings format.
#include "Shell/Linux/StringTable.h"

#include "FMWrapper/FMXText.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <stdexcept>
#include <string>

namespace {

// Texts by ID, in UTF-8.
using Texts = std::map<unsigned, std::string>;

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string toUtf8(const std::u16string& units) {
    fmx::TextAutoPtr host;
    host->AssignUnicode(units.c_str());
    std::string bytes(3 * units.size() + 1, '\0');
    host->GetBytes(&bytes[0], static_cast<fmx::uint32>(bytes.size()), 0, fmx::Text::kSize_End,
                   fmx::Text::kEncoding_UTF8);
    bytes.resize(bytes.find('\0'));
    return bytes;
}

Texts linuxTable() {
    Texts texts;
    for (std::size_t i = 0; i < kStringTableSize; ++i)
        texts[kStringTable[i].id] = toUtf8(kStringTable[i].text);
    return texts;
}

// The string tables of a compiled resource file (.res), and the language of each: resources of
// type 6 whose name is the block number n hold the strings 16 (n - 1) to 16 n - 1, each as its
// length in UTF-16 units and its units.
class ResourceFile {
public:
    explicit ResourceFile(const std::string& path) : bytes_(readFile(path)) {
        for (std::size_t at = 0; at + 32 <= bytes_.size();) {
            const std::uint32_t dataSize = dword(at);
            const std::uint32_t headerSize = dword(at + 4);
            if (word(at + 8) == 0xFFFF && word(at + 10) == 6 && word(at + 12) == 0xFFFF)
                readBlock(word(at + 14), word(at + headerSize - 10), at + headerSize, dataSize);
            at += headerSize + ((dataSize + 3) & ~3u);
        }
    }

    Texts texts;
    std::map<unsigned, unsigned> languages;

private:
    void readBlock(unsigned block, unsigned language, std::size_t at, std::uint32_t size) {
        const std::size_t end = at + size;
        for (unsigned id = (block - 1) * 16; at + 2 <= end; ++id) {
            const unsigned length = word(at);
            at += 2;
            if (length == 0)
                continue;
            std::u16string text;
            for (unsigned i = 0; i < length; ++i, at += 2)
                text += static_cast<char16_t>(word(at));
            texts[id] = toUtf8(text);
            languages[id] = language;
        }
    }
    unsigned word(std::size_t at) const {
        return static_cast<unsigned char>(bytes_.at(at)) |
               static_cast<unsigned char>(bytes_.at(at + 1)) << 8;
    }
    std::uint32_t dword(std::size_t at) const { return word(at) | word(at + 2) << 16; }

    std::string bytes_;
};

// The entries of a .strings file, "key" = "value"; between /* comments */, with the backslash
// escapes of that format.
class StringsFile {
public:
    explicit StringsFile(const std::string& path) : text_(readFile(path)) {
        for (skipBlanks(); at_ < text_.size(); skipBlanks()) {
            const std::string key = quoted();
            expect('=');
            const std::string value = quoted();
            expect(';');
            entries[key] = value;
        }
    }

    // The texts under the keys "String<ID>".
    Texts texts() const {
        Texts result;
        for (const auto& [key, value] : entries) {
            EXPECT_EQ(key.rfind("String", 0), 0u) << key;
            result[static_cast<unsigned>(std::stoul(key.substr(6)))] = value;
        }
        return result;
    }

    std::map<std::string, std::string> entries;

private:
    void skipBlanks() {
        for (;;) {
            while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_])))
                ++at_;
            if (text_.compare(at_, 2, "/*") != 0)
                return;
            const std::size_t end = text_.find("*/", at_ + 2);
            if (end == std::string::npos)
                throw std::runtime_error("unterminated comment");
            at_ = end + 2;
        }
    }
    void expect(char c) {
        skipBlanks();
        if (at_ >= text_.size() || text_[at_] != c)
            throw std::runtime_error(std::string("expected ") + c + " at " + std::to_string(at_));
        ++at_;
        skipBlanks();
    }
    std::string quoted() {
        expect('"');
        std::string value;
        while (at_ < text_.size() && text_[at_] != '"') {
            char c = text_[at_++];
            if (c == '\\' && at_ < text_.size()) {
                c = text_[at_++];
                c = c == 'n' ? '\n' : c == 't' ? '\t' : c;
            }
            value += c;
        }
        if (at_ >= text_.size())
            throw std::runtime_error("unterminated text");
        ++at_;
        return value;
    }

    std::string text_;
    std::size_t at_ = 0;
};

const Texts kTrickyTexts{
    {1, "He said \"hi\""},
    {2, "C:\\Users\\J\xc3\xbcrgen\\mapping.csv"},
    {17, "a; b = c"},
    {40, "\\\""},
};

void skipWithoutWindres() {
    if (std::string(TALVERO_WINDRES).empty())
        GTEST_SKIP() << "no windres: install binutils-mingw-w64-x86-64";
}

} // namespace

TEST(StringResourceFormats, WindowsStringTableHoldsEveryTextInUsEnglish) {
    skipWithoutWindres();
    const ResourceFile resources(STRING_FORMS_DIR "/Talvero.res");
    EXPECT_EQ(resources.texts, linuxTable());
    for (const auto& [id, language] : resources.languages)
        EXPECT_EQ(language, 1033u) << id;
}

TEST(StringResourceFormats, MacLocalizableStringsHoldEveryTextUnderItsKey) {
    const StringsFile strings(STRING_FORMS_DIR "/Localizable.strings");
    EXPECT_EQ(strings.texts(), linuxTable());
    EXPECT_EQ(strings.entries.at("String122"), "VorlixPlugin_Version( { versionFormat } )");
}

TEST(StringResourceFormats, QuotesBackslashesSemicolonsAndAccentsSurviveEveryForm) {
    EXPECT_EQ(StringsFile(STRING_FORMS_DIR "/Tricky.strings").texts(), kTrickyTexts);
    skipWithoutWindres();
    EXPECT_EQ(ResourceFile(STRING_FORMS_DIR "/Tricky.res").texts, kTrickyTexts);
}
