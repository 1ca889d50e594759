#pragma once

#include "platform/ApiLib.h"

#include <QList>

#include <functional>

// Answers every dialog that passes the seam while in scope and records what
// was shown.
class SeamRecorder
{
public:
    using Reply = std::function<std::int32_t(ApiLib::SeamCall&)>;

    // Without a reply every call is answered 0 (OK for a message box is 1).
    explicit SeamRecorder(Reply reply = {});
    ~SeamRecorder();
    SeamRecorder(const SeamRecorder&) = delete;
    SeamRecorder& operator=(const SeamRecorder&) = delete;

    QList<ApiLib::SeamCall> calls;
};
