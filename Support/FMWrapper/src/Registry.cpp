// The registry of external functions, and calls of their handlers.
#include "HostCalls.h"
#include "HostObjects.h"
#include "TextEncoding.h"

#include <algorithm>
#include <tuple>

using namespace fmxhost;
using fmx::host::FunctionKey;
using fmx::host::RegisteredFunction;

namespace {

struct Registry {
    std::vector<RegisteredFunction> functions; // ordered by plug-in ID, then function ID
    std::vector<FunctionKey> unregistrations;
};

Registry& registry() {
    static Registry state;
    return state;
}

std::vector<RegisteredFunction>::iterator position(const std::string& pluginId,
                                                   fmx::int16 functionId) {
    std::vector<RegisteredFunction>& functions = registry().functions;
    return std::lower_bound(functions.begin(), functions.end(), std::tie(pluginId, functionId),
                            [](const RegisteredFunction& row, const auto& key) {
                                return std::tie(row.pluginId, row.functionId) < key;
                            });
}

bool isAt(std::vector<RegisteredFunction>::iterator it, const std::string& pluginId,
          fmx::int16 functionId) {
    return it != registry().functions.end() && it->pluginId == pluginId &&
           it->functionId == functionId;
}

} // namespace

extern "C" {

fmx::errcode FM_ExprEnv_RegisterExternalFunction(const fmx::QuadChar& pluginId,
                                                 fmx::int16 functionId, const fmx::Text& name,
                                                 const fmx::Text& prototype, fmx::int16 minArgs,
                                                 fmx::int16 maxArgs, fmx::uint32 flags,
                                                 fmx::ExtPluginType handler, fmx::_fmxcpt& x) {
    return hostCall(x, [&]() -> fmx::errcode {
        const auto& refused = faults().refusedRegistrations;
        if (auto it = refused.find(functionId); it != refused.end())
            return it->second;
        RegisteredFunction row{impl(pluginId).str(),
                               functionId,
                               utf8FromUtf16(impl(name).units),
                               utf8FromUtf16(impl(prototype).units),
                               minArgs,
                               maxArgs,
                               flags,
                               handler};
        auto it = position(row.pluginId, functionId);
        if (isAt(it, row.pluginId, functionId))
            *it = std::move(row);
        else
            registry().functions.insert(it, std::move(row));
        return 0;
    });
}

fmx::errcode FM_ExprEnv_UnRegisterExternalFunction(const fmx::QuadChar& pluginId,
                                                   fmx::int16 functionId, fmx::_fmxcpt& x) {
    return hostCall(x, [&]() -> fmx::errcode {
        const std::string id = impl(pluginId).str();
        registry().unregistrations.push_back({id, functionId});
        auto it = position(id, functionId);
        if (!isAt(it, id, functionId))
            return fmx::ExprEnv::kNotRegistered;
        registry().functions.erase(it);
        return 0;
    });
}

// Reading where a call comes from is not counted among the plug-in's host calls, and injected
// faults never hit it: every call of a handler begins with it.
fmx::ptrtype FM_ExprEnv_SessionID(const fmx::ExprEnv* self, fmx::_fmxcpt& x) {
    x.m_code = fmx::_fmxcpt::kNoErr;
    return static_cast<const HostExprEnv*>(self)->session;
}

fmx::ptrtype FM_ExprEnv_FileID(const fmx::ExprEnv* self, fmx::_fmxcpt& x) {
    x.m_code = fmx::_fmxcpt::kNoErr;
    return static_cast<const HostExprEnv*>(self)->file;
}

} // extern "C"

namespace fmx {
namespace host {

std::vector<RegisteredFunction> registeredFunctions() {
    return registry().functions;
}

std::optional<RegisteredFunction> findFunction(const std::string& name) {
    for (const RegisteredFunction& row : registry().functions) {
        if (row.name == name)
            return row;
    }
    return std::nullopt;
}

std::vector<FunctionKey> unregistrationLog() {
    return registry().unregistrations;
}

void clearUnregistrationLog() {
    registry().unregistrations.clear();
}

CallResult callFunction(const RegisteredFunction& function, const std::vector<Value>& args,
                        CallContext context) {
    HostDataVect arguments;
    fill(arguments, args);
    HostData result;
    HostExprEnv env;
    env.session = context.session;
    env.file = context.file;
    CallResult outcome;
    outcome.error = function.handler(function.functionId, env, arguments, result);
    outcome.value = result.value;
    return outcome;
}

} // namespace host
} // namespace fmx
