#include "Engine/WriteChecks.h"

Verdict mayWriteTo(const Session& session, const std::string& bookUrl) {
    if (session.book.isReadOnly(bookUrl))
        return failure(ErrorCode::ReadOnlyBook);
    return {};
}
