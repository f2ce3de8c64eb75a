#include "Shell/StringResources.h"

#include <CoreFoundation/CoreFoundation.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

struct CFReleaser {
    void operator()(CFStringRef object) const { CFRelease(object); }
};
using CFStringHolder = std::unique_ptr<const __CFString, CFReleaser>;

} // namespace

// The bundle's Localizable.strings, under the key "String<ID>". A key without an entry comes
// back as the key itself: that is no string.
std::optional<std::u16string> platformFindString(void* resourceHandle, fmx::uint32 id) {
    const CFBundleRef bundle = static_cast<CFBundleRef>(resourceHandle);
    if (!bundle)
        return std::nullopt;
    char keyText[32];
    std::snprintf(keyText, sizeof keyText, "String%u", static_cast<unsigned>(id));
    const CFStringHolder key(
        CFStringCreateWithCString(kCFAllocatorDefault, keyText, kCFStringEncodingASCII));
    if (!key)
        return std::nullopt;
    const CFStringHolder text(
        CFBundleCopyLocalizedString(bundle, key.get(), key.get(), CFSTR("Localizable")));
    if (!text || CFStringCompare(text.get(), key.get(), 0) == kCFCompareEqualTo)
        return std::nullopt;
    const CFIndex length = CFStringGetLength(text.get());
    std::vector<UniChar> units(static_cast<std::size_t>(length));
    CFStringGetCharacters(text.get(), CFRangeMake(0, length), units.data());
    return std::u16string(units.begin(), units.end());
}
