// Lifecycle messages to a plug-in's entry point.
#include "FMWrapper/FMXHost.h"
#include "TextEncoding.h"

#include <vector>

namespace fmx {
namespace host {

PluginConnection::PluginConnection(FMX_ExternCallProc entryPoint, void* resourceHandle)
    : entryPoint_(entryPoint), resourceHandle_(resourceHandle) {}

ptrtype PluginConnection::dispatch(FMX_ExternCallStruct& record) {
    record.instanceID = resourceHandle_;
    entryPoint_(&record);
    return record.result;
}

ptrtype PluginConnection::init(int16 hostVersion) {
    FMX_ExternCallStruct record{};
    record.whichCall = kFMXT_Init;
    record.extnVersion = hostVersion;
    return dispatch(record);
}

void PluginConnection::shutdown() {
    send(kFMXT_Shutdown);
}

void PluginConnection::sessionShutdown(ptrtype session) {
    FMX_ExternCallStruct record{};
    record.whichCall = kFMXT_SessionShutdown;
    record.parm2 = session;
    dispatch(record);
}

void PluginConnection::send(uint8 message) {
    FMX_ExternCallStruct record{};
    record.whichCall = message;
    dispatch(record);
}

void PluginConnection::getString(uint8 selector, unichar16* buffer, uint32 size) {
    FMX_ExternCallStruct record{};
    record.whichCall = kFMXT_GetString;
    record.parm1 = selector;
    record.parm2 = size;
    record.parm3 = buffer;
    dispatch(record);
}

std::string PluginConnection::getString(uint8 selector, uint32 size) {
    std::vector<unichar16> buffer(size, 0);
    getString(selector, buffer.data(), size);
    std::u16string_view units(buffer.data(), buffer.size());
    return fmxhost::utf8FromUtf16(units.substr(0, units.find(u'\0')));
}

} // namespace host
} // namespace fmx
