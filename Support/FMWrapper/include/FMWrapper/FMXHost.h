// What only a host does, for fmhost and the tests: build values and argument vectors, send the
// plug-in its lifecycle messages, read the registry of external functions, call a handler and read
// its result, and make the host fail on purpose to exercise the plug-in's error paths.
//
// Calls made through this header are host work: they are not counted as calls of the plug-in
// into the host, and injected faults never hit them.
#pragma once

#include "FMWrapper/FMXData.h"
#include "FMWrapper/FMXExtern.h"

#include <optional>
#include <string>
#include <vector>

namespace fmx {
namespace host {

// ---- Values ----

enum class ValueType { none, text, number, boolean, container };

// One container stream: its four-character type and its bytes.
struct FMX_API Stream {
    std::string type;
    std::string bytes;

    // An "FNAM" stream naming the file `utf8Name`.
    static Stream fileName(const std::string& utf8Name);
    // A "SIZE" stream holding a picture's width and height.
    static Stream pictureSize(int16 width, int16 height);

    bool operator==(const Stream& other) const {
        return type == other.type && bytes == other.bytes;
    }
};

// A host value outside the plug-in's reach: what a host passes as an argument or reads back as a
// result. Reading one as another kind follows the host's conversion rules (FMXData.h).
class FMX_API Value {
public:
    Value() = default; // the empty value
    static Value text(std::string utf8);
    static Value number(double value);
    static Value boolean(bool value);
    static Value container(std::vector<Stream> streams);

    ValueType type() const { return type_; }
    std::string asText() const; // UTF-8
    double asNumber() const;
    bool asBoolean() const;
    // The streams in order; none unless the value is a container.
    const std::vector<Stream>& streams() const { return streams_; }
    const Stream* stream(const std::string& type) const;
    // The text of the "FNAM" stream; empty without one.
    std::string fileName() const;
    // Width and height from the "SIZE" stream.
    std::optional<std::pair<int16, int16>> pictureSize() const;

private:
    ValueType type_ = ValueType::none;
    std::string text_;
    double number_ = 0;
    std::vector<Stream> streams_;
};

// Makes `target` hold `value` (with the system locale).
FMX_API void assign(Data& target, const Value& value);
// Appends one argument per value.
FMX_API void fill(DataVect& target, const std::vector<Value>& values);
// The value `data` holds; a boolean reads back as a boolean, a text as its UTF-8 form.
FMX_API Value readValue(const Data& data);

// The UTF-8 form of one character; empty for what is no character (0, a surrogate, beyond
// U+10FFFF). What a calculation's Char ( code ) gives.
FMX_API std::string characterText(char32_t code);

// ---- Lifecycle messages ----

// Sends lifecycle messages to one plug-in's entry point, as the host does on start-up, on
// shut-down and when it shows the plug-in's name and preferences.
class FMX_API PluginConnection {
public:
    // `resourceHandle` goes into every call record (the host passes the plug-in's module handle).
    explicit PluginConnection(FMX_ExternCallProc entryPoint, void* resourceHandle = nullptr);

    // kFMXT_Init with the host's version; the plug-in's result (its interface version when it
    // accepts, -1 or -2 when it refuses).
    ptrtype init(int16 hostVersion);
    void shutdown();
    // kFMXT_SessionShutdown: the host session `session` ended.
    void sessionShutdown(ptrtype session);
    // Any other message code, which the plug-in should ignore.
    void send(uint8 message);
    // kFMXT_GetString with `selector` into the host's buffer of `size` units.
    void getString(uint8 selector, unichar16* buffer, uint32 size);
    // kFMXT_GetString into a zero-filled buffer of `size` units: the text up to its first zero
    // unit, as UTF-8.
    std::string getString(uint8 selector, uint32 size = 1024);

private:
    ptrtype dispatch(FMX_ExternCallStruct& record);

    FMX_ExternCallProc entryPoint_;
    void* resourceHandle_;
};

// ---- The registry of external functions ----

struct RegisteredFunction {
    std::string pluginId; // the four characters
    int16 functionId = 0;
    std::string name;      // UTF-8
    std::string prototype; // UTF-8
    int16 minArgs = 0;
    int16 maxArgs = 0;
    uint32 flags = 0;
    ExtPluginType handler = nullptr;
};

struct FunctionKey {
    std::string pluginId;
    int16 functionId = 0;

    bool operator==(const FunctionKey& other) const {
        return pluginId == other.pluginId && functionId == other.functionId;
    }
};

// Every registered function, ordered by plug-in ID, then function ID.
FMX_API std::vector<RegisteredFunction> registeredFunctions();
// The registered function called exactly `name`.
FMX_API std::optional<RegisteredFunction> findFunction(const std::string& name);
// Every unregistration request the host received, in order, also for unknown functions.
FMX_API std::vector<FunctionKey> unregistrationLog();
FMX_API void clearUnregistrationLog();

// ---- Calling a function ----

struct CallResult {
    errcode error = 0; // what the handler returned
    Value value;       // the result value; ValueType::none when the handler left it untouched

    ValueType type() const { return value.type(); }
    std::string text() const { return value.asText(); }
    double number() const { return value.asNumber(); }
    const std::vector<Stream>& container() const { return value.streams(); }
};

// Where a formula is evaluated: the host session and the file (ExprEnv::SessionID and FileID).
// FileMaker Pro has one session; a server runs many side by side.
struct CallContext {
    ptrtype session = 0;
    ptrtype file = 0;
};

// Calls the handler as the host evaluates a formula: with the function's ID, an expression
// environment of `context`, the arguments and an empty result value. The argument count is not
// checked against the function's range; an exception that escapes the handler passes on to the
// caller (a real host would crash).
FMX_API CallResult callFunction(const RegisteredFunction& function, const std::vector<Value>& args,
                                CallContext context = {});

// ---- Faults on purpose ----

// Code with which refused registrations and stream additions are answered by default.
constexpr errcode kRefusedByHost = 100;

// The `n`-th following call of the plug-in into the host (1 = the next one) fails with the error
// record code `code` (1: out of memory, std::bad_alloc; 2: other, std::exception) and does nothing.
FMX_API void failHostCall(uint32 n, int32 code);
// Registrations of `functionId` (any plug-in) are refused with `code`.
FMX_API void refuseRegistration(int16 functionId, errcode code = kRefusedByHost);
// BinaryData::Add refuses every stream while `refuse` is set.
FMX_API void refuseStreamAdds(bool refuse);
// Clears every injected fault.
FMX_API void resetFaults();
// How many calls the plug-in has made into the host since the host library was loaded.
FMX_API uint64 hostCallCount();

} // namespace host
} // namespace fmx
