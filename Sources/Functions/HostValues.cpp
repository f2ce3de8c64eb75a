#include "Functions/HostValues.h"

#include "Utils/AsciiCase.h"

#include <cstddef>
#include <utility>

// ---- Host arguments ----

namespace {

// Stream types of container data.
struct StreamTypes {
    fmx::QuadCharAutoPtr dpi{'D', 'P', 'I', '_'};
    fmx::QuadCharAutoPtr fileName{'F', 'N', 'A', 'M'};
    fmx::QuadCharAutoPtr size{'S', 'I', 'Z', 'E'};
    fmx::QuadCharAutoPtr gif{'G', 'I', 'F', 'f'};
    fmx::QuadCharAutoPtr png{'P', 'N', 'G', 'f'};
    fmx::QuadCharAutoPtr bmp{'B', 'M', 'P', 'f'};
    fmx::QuadCharAutoPtr jpeg{'J', 'P', 'E', 'G'};
};

// The image type word of a picture stream type; null for any other stream.
const char* imageTypeWord(const StreamTypes& types, const fmx::QuadChar& type) {
    if (type == *types.gif)
        return "gif";
    if (type == *types.png)
        return "png";
    if (type == *types.bmp)
        return "bmp";
    if (type == *types.jpeg)
        return "jpeg";
    return nullptr;
}

// The stream type for an image type word.
const fmx::QuadChar& pictureStreamType(const StreamTypes& types, std::string imageType) {
    imageType = toLowerAscii(std::move(imageType));
    if (imageType == "gif")
        return *types.gif;
    if (imageType == "bmp")
        return *types.bmp;
    if (imageType == "png")
        return *types.png;
    return *types.jpeg;
}

} // namespace

std::unique_ptr<std::string> ParameterToString(const fmx::DataVect& args, unsigned index) {
    auto text = std::make_unique<std::string>();
    try {
        fmx::TextAutoPtr copy;
        copy->SetText(args.AtAsText(index));
        // Each UTF-16 unit takes at most three bytes of UTF-8, plus one terminating zero.
        std::vector<char> buffer(std::size_t{copy->GetSize()} * 3 + 1, 0);
        copy->GetBytes(buffer.data(), static_cast<fmx::uint32>(buffer.size()), 0,
                       fmx::Text::kSize_End, fmx::Text::kEncoding_UTF8);
        text->assign(buffer.data());
    } catch (const std::exception&) {
    }
    return text;
}

long ParameterToLong(const fmx::DataVect& args, unsigned index, unsigned long defaultValue) {
    try {
        return args.AtAsNumber(index).AsLong();
    } catch (const std::exception&) {
        return static_cast<long>(defaultValue);
    }
}

bool ParameterToBoolean(const fmx::DataVect& args, unsigned index, bool defaultValue) {
    try {
        return args.AtAsBoolean(index);
    } catch (const std::exception&) {
        return defaultValue;
    }
}

std::string ParameterToBinary(const fmx::DataVect& args, unsigned index, std::string& imageType) {
    std::string bytes;
    try {
        fmx::BinaryDataAutoPtr data(args.AtAsBinaryData(index));
        const StreamTypes types;
        fmx::QuadCharAutoPtr type;
        const fmx::int32 count = data->GetCount();
        for (fmx::int32 i = 0; i < count; ++i) {
            data->GetType(i, *type);
            if (*type == *types.dpi || *type == *types.fileName || *type == *types.size)
                continue;
            if (const char* word = imageTypeWord(types, *type))
                imageType = word;
            std::vector<char> buffer(data->GetSize(i));
            if (data->GetData(i, 0, static_cast<fmx::uint32>(buffer.size()), buffer.data()) == 0)
                bytes.assign(buffer.begin(), buffer.end());
            break;
        }
    } catch (const std::exception&) {
    }
    return bytes;
}

// ---- Host results ----

void SetResult(long value, fmx::Data& result) {
    fmx::FixPtAutoPtr number(0, 16);
    number->AssignDouble(static_cast<double>(value));
    result.SetAsNumber(*number, fmx::Data::kDTNumber);
}

void SetResult(const fmx::Text& text, fmx::Data& result) {
    fmx::LocaleAutoPtr locale(fmx::Locale::kType_System);
    result.SetAsText(text, *locale, fmx::Data::kDTText);
}

void SetResult(std::unique_ptr<std::string> text, fmx::Data& result) {
    fmx::TextAutoPtr hostText;
    hostText->Assign(text ? text->c_str() : "", fmx::Text::kEncoding_UTF8);
    SetResult(*hostText, result);
}

bool SetImageResult(std::string fileName, std::string imageType, int width, int height,
                    std::vector<char> bytes, fmx::Data& result) {
    fmx::BinaryDataAutoPtr data;
    const StreamTypes types;
    const fmx::QuadChar& type = pictureStreamType(types, std::move(imageType));
    const fmx::errcode added =
        bytes.empty() ? data->Add(type, 0, nullptr)
                      : data->Add(type, static_cast<fmx::uint32>(bytes.size()), bytes.data());
    if (added != 0)
        return false;
    fmx::TextAutoPtr name;
    name->Assign(fileName.c_str(), fmx::Text::kEncoding_Native);
    data->AddFNAMData(*name);
    data->AddSIZEData(static_cast<fmx::int16>(width), static_cast<fmx::int16>(height));
    result.SetBinaryData(*data, true);
    return true;
}
