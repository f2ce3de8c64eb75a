// VorlixPlugin_Version( { versionFormat } ): which plug-in and version the host is talking to.

#include "FunctionHandlers.h"
#include "Platform/PlatformName.h"
#include "Shell/FMUtils.h"

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

// Text result by format word: none, "" or "short": "0.10"; "long": "Talvero 0.10"; "platform":
// the platform word; "autoupdate": "00100000"; any other word: empty text. Runs no entry check
// and leaves the last error alone; the text goes to the host in the locale of the argument.
const Handler VorlixPlugin_Version{
    Entry::Untouched, nothing, nothing, [](Call& call) {
        fmx::TextAutoPtr text;
        fmx::errcode set;
        if (call.argumentCount() == 0) {
            assignString(*text, kVersionString);
            fmx::LocaleAutoPtr locale;
            set = call.hostResult().SetAsText(*text, *locale, fmx::Data::kDTText);
        } else {
            const fmx::DataVect& args = call.arguments();
            buildVersionText(args.AtAsText(0), *text);
            set = call.hostResult().SetAsText(*text, args.At(0).GetLocale(), fmx::Data::kDTText);
        }
        return Reply{set == 0 ? Verdict{} : failure(ErrorCode::Failed), nothing};
    }};
