#include "Engine/LinkedPhoto.h"

#include "Engine/AnswerJudge.h"
#include "vCard/PictureSize.h"

#include <utility>

Judged<Picture> readLinkedPhoto(Session& session, const std::string& url) {
    Query answer = session.cd.get_picture(url, session.root_address_url, kLargestLinkedPhoto);
    if (answer.tooLarge)
        return {failedBecause(ErrorCode::AnswerTooLarge,
                              "the photo at " + url + " is larger than " +
                                  std::to_string(kLargestLinkedPhoto >> 20) + " MB"),
                {}};
    Verdict read = judgeStatus(session.cd, answer);
    if (!read.ok())
        return {std::move(read), {}};
    const PictureFormat format = readPictureHeader(answer.body).format;
    if (format == PictureFormat::Unknown)
        return {failedBecause(ErrorCode::Failed,
                              "the photo's link gave no JPEG, PNG, GIF or BMP picture: " + url),
                {}};
    return {{}, {std::move(answer.body), std::string(imageTypeName(format))}};
}
