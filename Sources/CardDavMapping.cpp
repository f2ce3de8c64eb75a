// The mapping functions: replace the field vocabulary with one read from a file, and list the
// vocabulary in force in the same row format.

#include "CardDav.h"

#include "CardDavState.h"
#include "DataMapping.h"
#include "VorlixUtils.h"

#include <memory>
#include <string>

fmx::errcode CardDav_SetMapping(short, const fmx::ExprEnv&, const fmx::DataVect& args,
                                fmx::Data& result) {
    const fmx::int16 check = InitFunction(false);
    const fmx::int16 code = guarded(
        [&] {
            // Nothing is loaded without an address-book home, so the answer is 0, not 1.
            if (check != ErrorCode::None) {
                SetResult(0, result);
                return check;
            }
            const std::string path = *ParameterToString(args, 0);
            if (path.empty()) {
                SetResult(0, result);
                return ErrorCode::EmptyMappingPath;
            }
            FieldMap loaded;
            DataMapping().LoadvCardMapping(path, loaded);
            if (loaded.empty()) {
                // An unusable file leaves the built-in vocabulary, not the one loaded before.
                current_mapping = createDefaultRawDataMap();
                SetResult(0, result);
                return ErrorCode::NoMappingLoaded;
            }
            current_mapping = std::move(loaded);
            SetResult(1, result);
            return ErrorCode::None;
        },
        [&] { SetResult(0, result); });
    return Error(code);
}

fmx::errcode CardDav_GetMapping(short, const fmx::ExprEnv&, const fmx::DataVect&,
                                fmx::Data& result) {
    // Needs no server and runs no entry check: it only shows the vocabulary in force.
    return guarded(
        [&] {
            auto text = std::make_unique<std::string>();
            for (const auto& [name, entry] : current_mapping) {
                *text += name + "," + entry.property;
                if (!entry.type.empty())
                    *text += "," + entry.type;
                *text += "\r";
            }
            SetResult(std::move(text), result);
            return ErrorCode::None;
        },
        [&] { SetResult(std::make_unique<std::string>("ERROR"), result); });
}
