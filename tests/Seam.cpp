#include "Seam.h"

SeamRecorder::SeamRecorder(Reply reply)
{
    ApiLib::setAnswerer([this, reply](ApiLib::SeamCall& call) {
        std::int32_t result = call.kind == QStringLiteral("MsgBox") ? ApiLib::vbOK : 0;
        if (reply)
            result = reply(call);
        calls.append(call);
        return result;
    });
}

SeamRecorder::~SeamRecorder()
{
    ApiLib::setAnswerer({});
}
