// The mapping functions: replace the field vocabulary with one read from a file, and list the
// vocabulary in force in the same row format.

#include "Functions/CardDav.h"

#include "Functions/CardDavFrame.h"
#include "Functions/HostValues.h"
#include "Mapping/DataMapping.h"

#include <memory>
#include <string>

fmx::errcode CardDav_SetMapping(short, const fmx::ExprEnv&, const fmx::DataVect& args,
                                fmx::Data& result) {
    const auto setNotLoaded = [&] { SetResult(0, result); };
    return runFunction(
        false,
        [&] {
            const std::string path = textArgument(args, 0);
            if (path.empty()) {
                setNotLoaded();
                return ErrorCode::EmptyMappingPath;
            }
            FieldMap loaded;
            DataMapping().LoadvCardMapping(path, loaded);
            if (loaded.empty()) {
                // An unusable file leaves the built-in vocabulary, not the one loaded before.
                session().current_mapping = createDefaultRawDataMap();
                setNotLoaded();
                return ErrorCode::NoMappingLoaded;
            }
            session().current_mapping = std::move(loaded);
            SetResult(1, result);
            return ErrorCode::None;
        },
        // Nothing is loaded without an address-book home, so the answer is 0 then too.
        setNotLoaded, setNotLoaded);
}

fmx::errcode CardDav_GetMapping(short, const fmx::ExprEnv&, const fmx::DataVect&,
                                fmx::Data& result) {
    // Needs no server and runs no entry check: it only shows the vocabulary in force.
    return guarded(
        [&] {
            auto text = std::make_unique<std::string>();
            for (const auto& [name, entry] : session().current_mapping) {
                *text += name + "," + entry.property;
                if (!entry.type.empty())
                    *text += "," + entry.type;
                *text += "\r";
            }
            SetResult(std::move(text), result);
            return ErrorCode::None;
        },
        [&] { SetTextResult("ERROR", result); });
}
