#include "Shell/Vorlix.h"

#include "FMUtils.h"
#include "Functions/ErrorCodes.h"
#include "Platform/PlatformName.h"

#include <array>
#include <cstdio>
#include <string>

namespace {

// The version in the long form, and as the four numbers of the update check.
constexpr const char* kLongVersion = "0.10";
constexpr int kUpdateVersion[4] = {0, 10, 0, 0};

constexpr fmx::uint32 kStringBufferSize = 256;

void assignString(fmx::Text& text, fmx::uint32 id) {
    std::array<fmx::unichar16, kStringBufferSize> buffer{};
    ReadString(buffer.data(), kStringBufferSize, id);
    text.AssignUnicode(buffer.data());
}

bool isWord(const fmx::Text& format, const char* word) {
    fmx::TextAutoPtr text;
    text->Assign(word);
    return format == *text;
}

// Builds the result text for `format`; leaves `result` empty for an unknown word.
void buildVersionText(const fmx::Text& format, fmx::Text& result) {
    if (isWord(format, "")) {
        assignString(result, kVersionString);
    } else if (isWord(format, "long")) {
        assignString(result, kPluginNameString);
        fmx::TextAutoPtr version;
        version->Assign((std::string(" ") + kLongVersion).c_str());
        result.AppendText(*version);
    } else if (isWord(format, "platform")) {
        result.Assign(platformName());
    } else if (isWord(format, "short")) {
        assignString(result, kVersionString);
    } else if (isWord(format, "autoupdate")) {
        char digits[4 * 11 + 1];
        std::snprintf(digits, sizeof digits, "%02d%02d%02d%02d", kUpdateVersion[0],
                      kUpdateVersion[1], kUpdateVersion[2], kUpdateVersion[3]);
        result.Assign(digits);
    }
}

} // namespace

// Runs no entry check and leaves the last error alone. A host error is answered with 7 (out of
// memory) or -1 like every other handler, rather than escaping into the host.
fmx::errcode VorlixPlugin_Version(short, const fmx::ExprEnv&, const fmx::DataVect& args,
                                  fmx::Data& result) {
    try {
        fmx::TextAutoPtr text;
        if (args.Size() == 0) {
            assignString(*text, kVersionString);
            fmx::LocaleAutoPtr locale;
            return result.SetAsText(*text, *locale, fmx::Data::kDTText);
        }
        buildVersionText(args.AtAsText(0), *text);
        return result.SetAsText(*text, args.At(0).GetLocale(), fmx::Data::kDTText);
    } catch (const std::bad_alloc&) {
        return ErrorCode::OutOfMemory;
    } catch (const std::exception&) {
        return ErrorCode::Failed;
    }
}
