#include "Functions/Frame.h"

#include "Engine/Discovery.h"
#include "Functions/HostValues.h"

#include <new>
#include <stdexcept>
#include <utility>

const char* const kErrorText = "ERROR";

Call::Call(PluginState& state, const fmx::DataVect& args, fmx::Data& result, Verdict entry)
    : state(state), entry(std::move(entry)), args(args), result(result) {}

std::size_t Call::argumentCount() const {
    return args.Size();
}

std::string Call::text(unsigned index) const {
    return *ParameterToString(args, index);
}

long Call::number(unsigned index, long fallback) const {
    return ParameterToLong(args, index, static_cast<unsigned long>(fallback));
}

bool Call::boolean(unsigned index, bool fallback) const {
    return ParameterToBoolean(args, index, fallback);
}

std::string Call::picture(unsigned index, std::string& imageType) const {
    return ParameterToBinary(args, index, imageType);
}

namespace {

// Hands `value` to the host; false when the host refused a picture.
bool setResult(const ResultValue& value, fmx::Data& result) {
    if (const long* numberValue = std::get_if<long>(&value))
        SetResult(*numberValue, result);
    else if (const std::string* textValue = std::get_if<std::string>(&value))
        SetResult(std::make_unique<std::string>(*textValue), result);
    else if (const PhotoPicture* picture = std::get_if<PhotoPicture>(&value))
        return SetImageResult(
            picture->fileName, picture->imageType, picture->width, picture->height,
            std::vector<char>(picture->bytes.begin(), picture->bytes.end()), result);
    return true;
}

// Sets a failure result; a host error while doing so changes nothing, the code already says what
// went wrong.
void setFailureResult(const ResultValue& value, fmx::Data& result) {
    try {
        setResult(value, result);
    } catch (const std::exception&) {
    }
}

// Records `verdict` as the last error unless one is already recorded in this call; returns its
// code.
fmx::errcode record(PluginState& state, const Verdict& verdict) {
    if (verdict.ok() || state.last_error != ErrorCode::None)
        return verdict.code;
    state.last_error = verdict.code;
    state.last_error_function = state.calling_function;
    state.last_error_reason = verdict.reason.empty() ? describeError(verdict.code) : verdict.reason;
    return verdict.code;
}

bool startsAfresh(Entry entry) {
    return entry != Entry::Untouched;
}
bool checks(Entry entry) {
    return entry != Entry::Untouched && entry != Entry::Fresh;
}
bool connects(Entry entry) {
    return entry == Entry::Connected || entry == Entry::ConnectedGoOn;
}
bool goesOn(Entry entry) {
    return entry == Entry::CheckedGoOn || entry == Entry::ConnectedGoOn;
}

} // namespace

fmx::errcode runHandler(const Handler& handler, const fmx::DataVect& args, fmx::Data& result) {
    PluginState& state = session();
    if (startsAfresh(handler.entry)) {
        state.last_error = ErrorCode::None;
        state.last_error_reason.clear();
    }
    Verdict entry;
    if (checks(handler.entry)) {
        entry = checkConnection(state, connects(handler.entry));
        // Work that goes on whatever the check says reports the check's verdict itself, unless
        // it has a failure of its own to report.
        if (!entry.ok() && !goesOn(handler.entry)) {
            setFailureResult(handler.onRefusal, result);
            return record(state, entry);
        }
    }
    // A function that leaves the last error as it is records none of its own either.
    const bool records = startsAfresh(handler.entry);
    Code failed;
    try {
        Call call(state, args, result, entry);
        Reply reply = handler.work(call);
        if (!setResult(reply.value, result))
            reply.verdict = failedBecause(ErrorCode::Failed, "the host refused the picture");
        return records && reply.recorded ? record(state, reply.verdict) : reply.verdict.code;
    } catch (const std::bad_alloc&) {
        failed = ErrorCode::OutOfMemory;
    } catch (const std::exception&) {
        failed = ErrorCode::Failed;
    }
    setFailureResult(handler.onException, result);
    if (!records)
        return failed;
    // The check's failure, where the work went on after it, came first.
    record(state, entry);
    return record(state, failure(failed));
}
