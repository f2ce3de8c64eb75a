#include "Shell/FMUtils.h"

#include "Shell/FMTemplate.h"
#include "Shell/StringResources.h"

#include <algorithm>
#include <array>
#include <exception>
#include <optional>
#include <string>

namespace {

constexpr fmx::uint32 kStringBufferSize = 1024;

} // namespace

fmx::QuadCharAutoPtr PluginId() {
    return fmx::QuadCharAutoPtr('T', 'a', 'l', 'v');
}

void* GetPluginBundle() {
    return gPluginResourceHandle;
}

fmx::uint32 Sub_OSXLoadString(fmx::uint32 id, fmx::unichar16* buffer, fmx::uint32 size) {
    if (!buffer || size < 2)
        return 0;
    try {
        const std::optional<std::u16string> text = platformFindString(GetPluginBundle(), id);
        if (!text || text->size() >= size - 1)
            return 0;
        std::copy(text->begin(), text->end(), buffer);
        buffer[text->size()] = 0;
        return static_cast<fmx::uint32>(text->size());
    } catch (const std::exception&) {
        // No memory for the text: as if there were none, rather than an exception in the host.
        return 0;
    }
}

fmx::uint32 Do_GetString(fmx::uint32 id, fmx::int16, fmx::uint32 size, fmx::unichar16* buffer) {
    return Sub_OSXLoadString(id, buffer, size);
}

void Do_GetString(fmx::uint32 id, fmx::TextAutoPtr& text, bool nameOnly) {
    std::array<fmx::unichar16, kStringBufferSize> buffer{};
    Do_GetString(id, 0, kStringBufferSize, buffer.data());
    text->AssignUnicode(buffer.data());
    if (!nameOnly)
        return;
    fmx::TextAutoPtr parenthesis;
    parenthesis->Assign("(");
    const fmx::uint32 at = text->Find(*parenthesis, 0);
    if (at != fmx::Text::kSize_Invalid)
        text->DeleteText(at);
}

void ReadString(fmx::unichar16* buffer, fmx::uint32 size, fmx::uint32 id) {
    if (!buffer || size == 0)
        return;
    buffer[0] = 0;
    Sub_OSXLoadString(id, buffer, size);
}

fmx::errcode RegisterExternalFunction(fmx::int16 id, fmx::int16 minArgs, fmx::int16 maxArgs,
                                      fmx::uint32 flags, fmx::ExtPluginType handler) {
    fmx::QuadCharAutoPtr pluginId = PluginId();
    fmx::TextAutoPtr name;
    fmx::TextAutoPtr prototype;
    Do_GetString(kPrototypeStringBase + id, name, true);
    Do_GetString(kPrototypeStringBase + id, prototype, false);
    return fmx::ExprEnv::RegisterExternalFunction(*pluginId, id, *name, *prototype, minArgs,
                                                  maxArgs, flags, handler);
}
