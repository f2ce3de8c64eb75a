#include "Platform/RandomUuid.h"

#include "Utils/AsciiCase.h"

#include <windows.h>

#include <rpc.h>

#include <memory>
#include <stdexcept>

namespace {

struct RpcStringDeleter {
    void operator()(RPC_CSTR text) const { RpcStringFreeA(&text); }
};

} // namespace

// UuidCreate makes a random (version 4) UUID; its text form is lower-cased to be sure.
std::string platformRandomUuid() {
    UUID uuid;
    RPC_CSTR text = nullptr;
    if (UuidCreate(&uuid) != RPC_S_OK || UuidToStringA(&uuid, &text) != RPC_S_OK)
        throw std::runtime_error("no random UUID from the system");
    const std::unique_ptr<unsigned char, RpcStringDeleter> owned(text);
    return toLowerAscii(reinterpret_cast<const char*>(text));
}
