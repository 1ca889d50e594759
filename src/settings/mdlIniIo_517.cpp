#include "settings/mdlIniIo_517.h"

#include "platform/ApiLib.h"
#include "platform/AppError.h"
#include "platform/Cp932.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <limits>
#include <new>

namespace mdlIniIo_517 {

namespace {

std::optional<SettingsLocation::Files> g_files;
std::optional<qint64> g_failAfter;
// The file of a load that failed: the next save keeps it aside before
// replacing it, so a damaged or unexpected file is not lost to the defaults.
QString g_failedLoad;

// Everything the file holds, in file order.
struct Records
{
    FolderInfoRecord folder;
    PanelInfoRecord panel;
    DegitInfoRecord degit;
    ChimeiInfoRecord chimei;
    SoundInfoRecord sound;
    SeiriPrevInfoRecord seiriPrev;
    CtrlDataInfoRecord ctrlData;
    FormInfoRecord form;
    std::array<std::int32_t, 17> custColors{};
    std::int16_t cellCount = 36;
    std::array<DegitCellRecord, 37> cells{};
};

// One list of the file's fields, walked by the writer and by the reader, so
// the two can never disagree on the layout.
template <class Io>
void layout(Io& io, Records& r)
{
    io.text(r.folder.strHy3Dir, "strHy3Dir");
    io.text(r.folder.strTpDir, "strTpDir");

    PanelInfoRecord& p = r.panel;
    io.number(p.nAutoSeiriNum);
    io.number(p.lNumColorOff);
    io.number(p.lNumColorOn1);
    io.number(p.lNumColorOn2);
    io.number(p.nNumStyle);
    io.number(p.nNumZeroPad);
    io.number(p.nPanelAuto);
    io.number(p.nPanelEach);
    io.number(p.nOffBuiltIn);
    io.number(p.nOffUser);
    io.number(p.nOn1BuiltIn);
    io.number(p.nOn1User);
    io.number(p.nOn2BuiltIn);
    io.number(p.nOn2User);
    io.text(p.strOffImage, "strOffImage");
    io.text(p.strOn1Image, "strOn1Image");
    io.text(p.strOn2Image, "strOn2Image");

    DegitInfoRecord& d = r.degit;
    io.number(d.lAdultBackColor);
    io.number(d.lAdultBaseForeColor);
    io.number(d.lAdultDegitForeColor);
    io.number(d.lSubwayBackColor);
    io.number(d.lSubwayBaseForeColor);
    io.number(d.lSubwayDegitForeColor);
    io.number(d.lPassBackColor);
    io.number(d.lPassBaseForeColor);
    io.number(d.lPassDegitForeColor);
    io.number(d.nShowOrder);
    io.number(d.nOrderCell);
    io.number(d.nCountFromZero);
    io.number(d.nShowSeiriNum);
    io.number(d.nSeiriNumCell);
    io.number(d.nShowKeito);
    io.number(d.nKeitoCell);
    io.number(d.nShowColumn);
    io.number(d.nColumnNo);
    io.number(d.nColumnCell);

    io.number(r.chimei.lChimeiBackColor);
    io.number(r.chimei.lChimeiForeColor);
    io.number(r.chimei.nFontMode);
    io.number(r.chimei.nFontBold);

    SoundInfoRecord& s = r.sound;
    io.text(s.strKeitoSound, "strKeitoSound");
    io.text(s.strResetSound, "strResetSound");
    io.number(s.nStepAlways);
    io.number(s.nStepByColumn);
    io.number(s.nStepSync);
    io.number(s.nStepAsync);
    io.text(s.strStepSound, "strStepSound");
    io.number(s.nStepColumn);
    io.text(s.strStepSound1, "strStepSound1");
    io.text(s.strStepSound2, "strStepSound2");
    io.text(s.strStepSound3, "strStepSound3");
    io.number(s.nPreAlways);
    io.number(s.nPreByFlag);
    io.number(s.nPreSync);
    io.number(s.nPreAsync);
    io.text(s.strPreSound, "strPreSound");
    io.text(s.strPreSound1, "strPreSound1");
    io.text(s.strPreSound2, "strPreSound2");
    io.text(s.strPreSound3, "strPreSound3");

    SeiriPrevInfoRecord& t = r.seiriPrev;
    io.number(t.nUseSeiriPrev);
    io.text(t.strSeiriPlg, "strSeiriPlg");
    io.number(t.nDateEachPrint);
    io.number(t.nDateAtKeito);
    io.number(t.nDateFixed);
    io.text(t.strFixedDate, "strFixedDate");

    CtrlDataInfoRecord& c = r.ctrlData;
    io.number(c.nFrame1Back);
    io.number(c.lScrollSpeed);
    io.number(c.lScrollStartWait);
    io.number(c.nShinya);
    io.number(c.nSeiriPrevOpen);
    io.number(c.lCtlLeft);
    io.number(c.lCtlTop);

    io.number(r.form.lLeft);
    io.number(r.form.lTop);
    for (std::int32_t& colour : r.custColors)
        io.number(colour);
    io.number(r.cellCount);
    for (int i = 1; i <= 36; ++i) {
        io.number(r.cells[static_cast<size_t>(i)].nShift);
        io.number(r.cells[static_cast<size_t>(i)].nZeroMode);
        io.number(r.cells[static_cast<size_t>(i)].nFillZero);
    }
}

class Writer
{
public:
    QByteArray bytes;
    QStringList unstorable;

    template <class T>
    void number(T& value)
    {
        for (size_t i = 0; i < sizeof(T); ++i)
            bytes.append(static_cast<char>((static_cast<std::uint32_t>(value) >> (8 * i)) & 0xFF));
    }
    void text(QString& value, const char* field)
    {
        QByteArray encoded;
        qsizetype bad = -1;
        if (std::optional<QByteArray> exact = Cp932::encode(value, &bad)) {
            encoded = *exact;
        } else {
            encoded = Cp932::encodeForDisplay(value, QByteArrayLiteral("?"));
            unstorable.append(QStringLiteral("%1: %2").arg(QLatin1String(field), value));
        }
        if (encoded.size() > std::numeric_limits<std::uint16_t>::max())
            throw AppError(ErrNo::Overflow);
        auto length = static_cast<std::uint16_t>(encoded.size());
        number(length);
        bytes.append(encoded);
    }
};

class Reader
{
public:
    explicit Reader(const QByteArray& bytes) : m_bytes(bytes) {}

    // The texts that held bytes code page 932 has no character for, as
    // "field: text as read".
    QStringList undecodable;

    template <class T>
    void number(T& value)
    {
        const QByteArray raw = take(sizeof(T));
        std::uint32_t v = 0;
        for (size_t i = 0; i < sizeof(T); ++i)
            v |= static_cast<std::uint32_t>(static_cast<unsigned char>(raw[static_cast<qsizetype>(i)])) << (8 * i);
        value = static_cast<T>(v);
    }
    void text(QString& value, const char* field)
    {
        std::uint16_t length = 0;
        number(length);
        bool lossy = false;
        value = Cp932::decodeLenient(take(length), &lossy);
        if (lossy)
            undecodable.append(QStringLiteral("%1: %2").arg(QLatin1String(field), value));
    }

private:
    QByteArray take(qsizetype n)
    {
        if (m_bytes.size() - m_pos < n)
            throw AppError(ErrNo::InputPastEnd);
        const QByteArray part = m_bytes.mid(m_pos, n);
        m_pos += n;
        return part;
    }

    const QByteArray& m_bytes;
    qsizetype m_pos = 0;
};

Records current()
{
    return {FolderInfo, PanelInfo, DegitInfo, ChimeiInfo, SoundInfo, SeiriPrevInfo, CtrlDataInfo, FormInfo,
            CustColors, 36, DegitCell};
}

AppError fileError(const QFileDevice& file, const QString& path)
{
    if (!QFileInfo(path).absoluteDir().exists())
        return AppError(ErrNo::PathNotFound);
    switch (file.error()) {
    case QFileDevice::ResourceError:
        return AppError(ErrNo::DiskFull);
    case QFileDevice::WriteError:
    case QFileDevice::ReadError:
        return AppError(ErrNo::DeviceIoError);
    default:
        return AppError(ErrNo::PathFileAccess);
    }
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw fileError(file, path);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw fileError(file, path);
    return bytes;
}

// The failed file goes aside by copy, so that it is still there should the
// save itself then fail. The copy that cannot be made is named, for the
// save to say so; it does not hold the save up, or the run's settings would
// be lost as well.
QString keepFailedFile(const QString& path)
{
    if (g_failedLoad != path || !QFileInfo::exists(path))
        return {};
    const QString backup = path + QStringLiteral(".bak");
    QFile::remove(backup);
    if (!QFile::copy(path, backup))
        return backup;
    g_failedLoad.clear();
    return {};
}

// Written beside the old file and renamed over it only when whole.
void writeFile(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw fileError(file, path);
    if (g_failAfter && *g_failAfter < bytes.size()) {
        file.write(bytes.left(*g_failAfter));
        file.cancelWriting();
        throw AppError(ErrNo::DiskFull);
    }
    if (file.write(bytes) != bytes.size()) {
        const AppError error = fileError(file, path);
        file.cancelWriting();
        throw error;
    }
    // A full disk may show only now, when the buffer goes out.
    if (!file.commit())
        throw fileError(file, path);
}

// The settings file's own box: the error's number and description, with no
// icon.
template <class Body>
void trapped(Body body, bool loading, const QString& path)
{
    try {
        body();
    } catch (...) {
        const AppError error = AppError::fromCurrentException();
        if (loading && (error.number() == ErrNo::BadFileName || error.number() == ErrNo::FileNotFound))
            return;
        if (loading)
            g_failedLoad = path;
        ApiLib::MsgBox(ApiLib::errorText(error));
    }
}

} // namespace

SettingsLocation::Files settingsFiles()
{
    if (!g_files) {
        g_files = SettingsLocation::locate(QCoreApplication::applicationDirPath(),
                                           QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation),
                                           ApiLib::ExeName() + QStringLiteral(".in4"));
    }
    return *g_files;
}

void setSettingsPath(std::optional<QString> path)
{
    if (path)
        g_files = SettingsLocation::Files{*path, *path, false};
    else
        g_files.reset();
}

void setSettingsFiles(const SettingsLocation::Files& files)
{
    g_files = files;
}

QByteArray toFileBytes(QStringList* unstorable)
{
    Records records = current();
    Writer writer;
    layout(writer, records);
    if (unstorable)
        *unstorable = writer.unstorable;
    return writer.bytes;
}

void fromFileBytes(const QByteArray& bytes, QStringList* undecodable)
{
    Records records;
    Reader reader(bytes);
    layout(reader, records);
    if (undecodable)
        *undecodable = reader.undecodable;
    FolderInfo = records.folder;
    PanelInfo = records.panel;
    DegitInfo = records.degit;
    ChimeiInfo = records.chimei;
    SoundInfo = records.sound;
    SeiriPrevInfo = records.seiriPrev;
    CtrlDataInfo = records.ctrlData;
    FormInfo = records.form;
    CustColors = records.custColors;
    // The count is there for the file's sake only; the board has 36 cells.
    DegitCell = records.cells;
}

void loadSettings(const std::function<void()>& apply)
{
    const SettingsLocation::Files files = settingsFiles();
    const QString path = files.load;
    trapped(
        [&] {
            if (path.isEmpty())
                return;
            // The configuration folder is made by the first save; until then
            // its absence is just a first run.
            const bool folderComesWithSave = files.saveMakesFolder && files.save == path;
            if (!QFileInfo::exists(path))
                throw AppError(folderComesWithSave || QFileInfo(path).absoluteDir().exists() ? ErrNo::FileNotFound
                                                                                            : ErrNo::PathNotFound);
            QStringList undecodable;
            fromFileBytes(readFile(path), &undecodable);
            if (!undecodable.isEmpty()) {
                // The file as it is goes aside before the exit save
                // replaces it: the bytes the user had are never lost.
                g_failedLoad = path;
                ApiLib::Note(QStringLiteral("設定ファイル %1 の次の設定に、Shift-JIS (コードページ 932) として読めない文字が"
                                            "あります。読めない文字は〓にして、設定はすべて読み込みました。"
                                            "元のファイルは終了時に %2 として残します。\r\n\r\n")
                                 .arg(QDir::toNativeSeparators(path), QFileInfo(path).fileName() + QStringLiteral(".bak"))
                             + undecodable.join(QStringLiteral("\r\n")));
            }
            apply();
        },
        true, path);
}

void saveSettings(const std::function<void()>& collect)
{
    QString path;
    trapped(
        [&] {
            collect();
            const SettingsLocation::Files files = settingsFiles();
            path = files.save;
            if (path.isEmpty())
                return;
            QStringList unstorable;
            const QByteArray bytes = toFileBytes(&unstorable);
            const QString backupNotMade = keepFailedFile(path);
            // A failure to make the folder shows as the write's own (path not found).
            if (files.saveMakesFolder)
                QDir().mkpath(QFileInfo(path).absolutePath());
            writeFile(path, bytes);
            if (!backupNotMade.isEmpty())
                ApiLib::MsgBox(QStringLiteral("読み込めなかった設定ファイルの控え %1 を作れませんでした。"
                                              "設定はそのまま保存しました。")
                                   .arg(QDir::toNativeSeparators(backupNotMade)),
                               ApiLib::vbOKOnly | ApiLib::vbExclamation);
            if (!unstorable.isEmpty())
                ApiLib::MsgBox(QStringLiteral("次の設定の文字の一部はファイルに保存できないため、「?」に置き換えて"
                                              "保存しました。\r\n")
                                   + unstorable.join(QStringLiteral("\r\n")),
                               ApiLib::vbOKOnly | ApiLib::vbExclamation);
        },
        false, path);
}

void failWritesAfterForTesting(std::optional<qint64> bytes)
{
    g_failAfter = bytes;
}

} // namespace mdlIniIo_517
