#include "speech/mdlM_Tape.h"

#include "options/frmOption.h"
#include "panel/frmCtl.h"
#include "platform/ApiLib.h"
#include "platform/Cp932.h"
#include "speech/TapeCsv.h"
#include "readings/Yomi.h"
#include "sound/mdlSndAPI.h"

#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <cstdio>

namespace mdlM_Tape {

namespace {

std::function<std::unique_ptr<SpeechEngine>()>& factory()
{
    static std::function<std::unique_ptr<SpeechEngine>()> f = [] { return createSpeechEngine(); };
    return f;
}

const QString kVista = QStringLiteral("Windows Vista");

void setGroup(frmCtl& panel, bool usable)
{
    panel.grpM_Tape->setTitle(usable ? QStringLiteral("音合使用可") : QStringLiteral("音合使用不可"));
    panel.grpM_Tape->setEnabled(usable);
}

} // namespace

void setEngineFactory(std::function<std::unique_ptr<SpeechEngine>()> f)
{
    factory() = std::move(f);
}

void InitSpeech(frmCtl& panel)
{
    if (ApiLib::GetOsInfo() == kVista) {
        bSpeechOK = 0;
        setGroup(panel, false);
        return;
    }
    try {
        objSpeech = factory()();
        if (!objSpeech)
            throw AppError(ErrNo::InternalError);
        bSpeechOK = -1;
        setGroup(panel, true);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "517: speech is not available: %s\n", e.what());
        objSpeech.reset();
        bSpeechOK = 0;
        setGroup(panel, false);
    }
}

// A file that cannot be read as a tape leaves the previous tape as it was and
// switches the group off, without a message.
void LoadTape(frmCtl& panel, const QString& strDir, const QString& strKeitoNum)
{
    if (ApiLib::GetOsInfo() == kVista)
        return;
    try {
        QFile file(ApiLib::FindFileNoCase(strDir + strKeitoNum + QStringLiteral("tp.csv")));
        if (!file.open(QIODevice::ReadOnly))
            throw AppError(ErrNo::FileNotFound);
        const std::vector<TapeCsv::Row> rows = TapeCsv::parse(Cp932::decodeOrThrow(file.readAll()));
        Tape.clear();
        for (const TapeCsv::Row& row : rows)
            Tape.push_back({row.strText, row.nStep, row.nFlag});
        nTapeCount = static_cast<std::int32_t>(Tape.size());
    } catch (const std::exception&) {
        panel.grpM_Tape->setEnabled(false);
        return;
    }
    if (bSpeechOK == -1) {
        // The route's own readings (yomi.csv beside the tape) apply from now on.
        const QStringList problems = Yomi::loadReadingsFile(strDir);
        if (!problems.isEmpty())
            ApiLib::MsgBox(QStringLiteral("読みの辞書に使えない行があります (ほかの行は使います)。\r\n\r\n")
                           + problems.mid(0, 10).join(QStringLiteral("\r\n"))
                           + (problems.size() > 10 ? QStringLiteral("\r\nほか %1 行").arg(problems.size() - 10) : QString()));
        panel.grpM_Tape->setEnabled(true);
        for (QPushButton* button : {panel.cmdTapeNext, panel.cmdTapeBack, panel.cmdTapeStop, panel.cmdTapeSet})
            button->setEnabled(true);
    }
    nTapePos = 0;
}

QString flagChime(const frmOption& options, std::int32_t nPos)
{
    const int flag = GetRowFlag(nPos);
    return flag >= 1 && flag <= 3 ? options.txtSelectSound[static_cast<size_t>(3 + flag)]->text() : QString();
}

// A failing chime or voice ends the step quietly; the position has moved.
void TapeNext(const frmOption& options)
{
    ++nTapePos;
    if (nTapePos > nTapeCount) {
        nTapePos = nTapeCount;
        return;
    }
    try {
        const QString chime = options.Option2[2]->isChecked() ? options.txtSelectSound[3]->text()
                                                              : flagChime(options, nTapePos);
        if (!chime.isEmpty())
            mdlSndAPI::PlaySnd(chime, QStringLiteral("S3"), options.Option7[0]->isChecked() ? -1 : 0, 0);
        SpeakRow(nTapePos);
    } catch (const std::exception&) {
    }
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

} // namespace mdlM_Tape
