#include "speech/mdlM_Tape.h"

#include "platform/ApiLib.h"
#include "readings/Yomi.h"
#include "sound/mdlSndAPI.h"
#include "speech/TapeCsv.h"

#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace mdlM_Tape {

namespace {

std::function<std::unique_ptr<SpeechEngine>()>& factory()
{
    static std::function<std::unique_ptr<SpeechEngine>()> f = [] { return createSpeechEngine(); };
    return f;
}

const QString kVista = QStringLiteral("Windows Vista");

// A note of the findings in a file of the route, the first ten of them.
void noteFindings(const QString& heading, const QStringList& findings)
{
    constexpr qsizetype kShown = 10;
    ApiLib::Note(heading + QStringLiteral("\r\n\r\n") + findings.mid(0, kShown).join(QStringLiteral("\r\n"))
                 + (findings.size() > kShown ? QStringLiteral("\r\nほか %1 行").arg(findings.size() - kShown) : QString()));
}

// The row likely to be spoken next is made ready while the one before it
// speaks, so that "送り" need not wait for the voice. A failure here is the
// step's own to meet.
void prepareRow(std::int32_t nPos)
{
    if (objSpeech && nPos >= 1 && nPos <= nTapeCount)
        objSpeech->Prepare(Tape[static_cast<size_t>(nPos - 1)].strText);
}

// Both directions: the chime on its channel, then the row spoken.
void playRow(const TapeChimes& chimes, bool forward)
{
    try {
        const QString chime = PreChime(chimes, nTapePos, forward);
        if (!chime.isEmpty())
            mdlSndAPI::PlaySnd(chime, forward ? QStringLiteral("S3") : QStringLiteral("S2"), chimes.bPreSync ? -1 : 0, 0);
        SpeakRow(nTapePos);
    } catch (const std::exception&) {
    }
}

} // namespace

void setEngineFactory(std::function<std::unique_ptr<SpeechEngine>()> f)
{
    factory() = std::move(f);
}

void InitSpeech()
{
    bSpeechOK = 0;
    if (ApiLib::GetOsInfo() == kVista)
        return;
    try {
        objSpeech = factory()();
        if (!objSpeech)
            throw AppError(ErrNo::InternalError);
        bSpeechOK = -1;
        ApiLib::setSpeechRelease(ReleaseSpeech);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "517: speech is not available: %s\n", e.what());
        objSpeech.reset();
    }
}

// A file that cannot be read as a tape is no message: the panel switches
// its group off.
bool LoadTape(const QString& strDir, const QString& strKeitoNum)
{
    // Nothing is loaded, and nothing fails, where the tape is inert.
    if (ApiLib::GetOsInfo() == kVista)
        return true;
    QFile file(ApiLib::FindFileNoCase(strDir + strKeitoNum + QStringLiteral("tp.csv")));
    QList<int> undecodable;
    try {
        if (!file.open(QIODevice::ReadOnly))
            throw AppError(ErrNo::FileNotFound);
        Tape = TapeCsv::parse(TapeCsv::decode(file.readAll(), &undecodable));
        nTapeCount = static_cast<std::int32_t>(Tape.size());
    } catch (const std::exception&) {
        return false;
    }
    if (!undecodable.isEmpty()) {
        QStringList lines;
        for (int line : undecodable)
            lines << QStringLiteral("%1 の %2 行目").arg(QFileInfo(file.fileName()).fileName()).arg(line);
        noteFindings(QStringLiteral("放送用データに Shift-JIS (コードページ 932) として読めない文字があります "
                                    "(読めない文字は〓にして、ほかはそのまま使います)。"),
                     lines);
    }
    if (bSpeechOK == -1) {
        // The route's own readings (yomi.csv beside the tape) apply from now on.
        const QStringList problems = Yomi::loadReadingsFile(strDir);
        if (!problems.isEmpty())
            noteFindings(QStringLiteral("読みの辞書に使えない行があります (ほかの行は使います)。"), problems);
    }
    nTapePos = 0;
    // The first row is made ready while the route is set.
    try {
        prepareRow(1);
    } catch (const std::exception&) {
    }
    return true;
}

QString PreChime(const TapeChimes& chimes, std::int32_t nPos, bool forward)
{
    if (forward && chimes.bPreAlways)
        return chimes.strPreSound;
    const int flag = GetRowFlag(nPos);
    return flag >= 1 && flag <= 3 ? chimes.strPreSoundByFlag[static_cast<size_t>(flag - 1)] : QString();
}

// The position has moved before anything can fail.
void TapeNext(const TapeChimes& chimes)
{
    ++nTapePos;
    if (nTapePos > nTapeCount) {
        nTapePos = nTapeCount;
        return;
    }
    playRow(chimes, true);
}

// The chime goes on "S2", where a linked fare step's sound cuts it.
void TapeBack(const TapeChimes& chimes)
{
    --nTapePos;
    if (nTapePos < 1) {
        nTapePos = 1;
        return;
    }
    playRow(chimes, false);
}

void SpeakRow(std::int32_t nPos)
{
    if (!objSpeech)
        throw AppError(ErrNo::InternalError, QStringLiteral("音声合成エンジンがありません。"));
    if (nPos < 1 || nPos > nTapeCount)
        throw AppError(ErrNo::SubscriptOutOfRange);
    objSpeech->Stop();
    objSpeech->Speak(Tape[static_cast<size_t>(nPos - 1)].strText);
    if (objSpeech->Status() == -1)
        objSpeech->Stop();
    prepareRow(nPos + 1);
}

std::int32_t GetTapePos()
{
    return nTapePos;
}

std::int16_t GetRowStep(std::int32_t nPos)
{
    return nPos >= 1 && nPos <= nTapeCount ? Tape[static_cast<size_t>(nPos - 1)].nStep : 0;
}

std::int16_t GetRowFlag(std::int32_t nPos)
{
    return nPos >= 1 && nPos <= nTapeCount ? Tape[static_cast<size_t>(nPos - 1)].nFlag : 0;
}

std::int32_t GetTapeCount()
{
    return nTapeCount;
}

void StopTape()
{
    if (objSpeech)
        objSpeech->Stop();
}

void TapeAdjust(QWidget* owner)
{
    if (objSpeech)
        objSpeech->AdjustDialog(owner, QStringLiteral("音声の調節"));
}

void ReleaseSpeech()
{
    objSpeech.reset();
}

} // namespace mdlM_Tape
