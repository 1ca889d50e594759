#include "platform/DataPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTextStream>

#include "platform/EngineLibraries.h"

#include <memory>

namespace DataPaths {

namespace {

// Debian's alternative that every General MIDI soundfont package feeds, and
// the one this program's package brings.
const QString DebianDefaultGm = QStringLiteral("/usr/share/sounds/sf2/default-GM.sf2");
const QString TimGm6mb = QStringLiteral("/usr/share/sounds/sf2/TimGM6mb.sf2");
// The dictionary the readings and the transit words are made for.
const QString IpadicUtf8 = QStringLiteral(SPEECH_DICTIONARY_DIR);
// Where open-jtalk-mecab-naist-jdic puts Open JTalk's dictionary.
const QString NaistJdic = QStringLiteral("/var/lib/mecab/dic/open-jtalk/naist-jdic");

bool isSoundFontFile(const QString& path)
{
    const QFileInfo info(path);
    return info.isFile() && info.isReadable();
}

bool isDictionaryDir(const QString& dir)
{
    return QFileInfo(QDir(dir).filePath(QStringLiteral("sys.dic"))).isFile();
}

QString environment(const QString& name)
{
    return qEnvironmentVariable(name.toLatin1().constData());
}

QString fluidSynthDefault()
{
    const EngineLibraries::FluidSynth& fluid = EngineLibraries::fluidSynth();
    if (!fluid)
        return {};
    std::unique_ptr<fluid_settings_t, decltype(fluid.delete_settings)> settings(fluid.new_settings(),
                                                                             fluid.delete_settings);
    if (!settings)
        return {};
    char* value = nullptr;
    if (fluid.settings_getstr_default(settings.get(), "synth.default-soundfont", &value) != FLUID_OK || !value)
        return {};
    return QFile::decodeName(value);
}

} // namespace

QString dataFromProgramDir()
{
    return QStringLiteral(DATA_FROM_BINDIR);
}

namespace {

// The folder name of the program's own data, installed or built, beside
// programDir; empty when it is not there.
QString ownDataDirFor(const QString& programDir, const QString& name)
{
    if (programDir.isEmpty())
        return {};
    const QDir bin(programDir);
    const QString installed = QDir::cleanPath(bin.filePath(dataFromProgramDir() + QLatin1Char('/') + name));
    if (QFileInfo(installed).isDir())
        return installed;
    // The build puts the programs in build/bin and their data in build/;
    // the tests' folder must not pick them up.
    const QString built = QDir::cleanPath(bin.filePath(QStringLiteral("../") + name));
    if (bin.dirName() == QStringLiteral("bin") && QFileInfo(built).isDir())
        return built;
    return {};
}

} // namespace

QString samplesDirFor(const QString& programDir)
{
    return ownDataDirFor(programDir, QStringLiteral("samples"));
}

QString samplesDir()
{
    return samplesDirFor(QCoreApplication::applicationDirPath());
}

Located findSoundFont(const QString& overridePath, const QStringList& candidates)
{
    if (!overridePath.isEmpty()) {
        if (isSoundFontFile(overridePath))
            return {overridePath, {}};
        return {overridePath,
                QStringLiteral("環境変数 %1 のサウンドフォント (%2) が読めません。MIDI の音は鳴りません。")
                    .arg(SoundFontVariable, overridePath)};
    }
    for (const QString& candidate : candidates) {
        if (!candidate.isEmpty() && isSoundFontFile(candidate))
            return {candidate, {}};
    }
    return {TimGm6mb,
            QStringLiteral("MIDI の音に使うサウンドフォントがないため、MIDI の音は鳴りません。"
                           "timgm6mb-soundfont を導入するか、環境変数 %1 にサウンドフォントのファイルを指定してください。")
                .arg(SoundFontVariable)};
}

QStringList soundFontCandidates()
{
    return {fluidSynthDefault(), DebianDefaultGm, TimGm6mb};
}

Located soundFont()
{
    return findSoundFont(environment(SoundFontVariable), soundFontCandidates());
}

QStringList dictionaryCandidates()
{
    // Only the dictionary the readings were made for: the system's default
    // (Debian's alternative, what mecabrc names) may be another dictionary
    // whose words and fields the readings do not fit.
    return {IpadicUtf8};
}

Located findDictionary(const QString& overrideDir, const QStringList& candidates)
{
    if (!overrideDir.isEmpty()) {
        if (isDictionaryDir(overrideDir))
            return {overrideDir, {}};
        return {overrideDir,
                QStringLiteral("環境変数 %1 のフォルダー (%2) に MeCab の辞書 (sys.dic) がありません。読み上げは使えません。")
                    .arg(DictionaryVariable, overrideDir)};
    }
    for (const QString& candidate : candidates) {
        if (!candidate.isEmpty() && isDictionaryDir(candidate))
            return {candidate, {}};
    }
    return {IpadicUtf8,
            QStringLiteral("読み上げに使う MeCab の IPA 辞書がないため、読み上げは使えません。"
                           "mecab-ipadic-utf8 を導入するか、環境変数 %1 に辞書のフォルダーを指定してください。")
                .arg(DictionaryVariable)};
}

Located mecabDictionary()
{
    return findDictionary(environment(DictionaryVariable), dictionaryCandidates());
}

PlaceNameFiles findPlaceNameFiles(const QString& enamdict, const QString& skkDir)
{
    PlaceNameFiles files;
    if (QFileInfo(enamdict).isFile())
        files.enamdict = enamdict;
    // Only the dictionaries of places and stations: the others hold words and
    // people's names, whose readings are not those of a place.
    for (const char* name : {"SKK-JISYO.geo", "SKK-JISYO.station", "SKK-JISYO.okinawa"}) {
        const QString path = QDir(skkDir).filePath(QLatin1String(name));
        if (QFileInfo(path).isFile())
            files.skk << path;
    }
    QStringList packages;
    if (files.enamdict.isEmpty())
        packages << QStringLiteral("enamdict");
    if (files.skk.isEmpty())
        packages << QStringLiteral("skkdic-extra");
    if (!packages.isEmpty())
        files.missing = QStringLiteral("地名の読みの辞書がないため、停留所名は辞書なしで読みます。%1 を導入してください。")
                            .arg(packages.join(QStringLiteral(" と ")));
    return files;
}

PlaceNameFiles placeNameFiles()
{
    return findPlaceNameFiles(QStringLiteral("/usr/share/edict/enamdict"), QStringLiteral("/usr/share/skk"));
}

Located openJTalkProgram()
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("open_jtalk"));
    if (!program.isEmpty())
        return {program, {}};
    return {QStringLiteral("/usr/bin/open_jtalk"), QStringLiteral("open-jtalk")};
}

Located openJTalkDictionary()
{
    if (isDictionaryDir(NaistJdic))
        return {NaistJdic, {}};
    return {NaistJdic, QStringLiteral("open-jtalk-mecab-naist-jdic")};
}

QString voicesDirFor(const QString& programDir)
{
    const QString dir = ownDataDirFor(programDir, QStringLiteral("voices"));
    return QFileInfo(QDir(dir).filePath(DefaultVoiceFile)).isFile() ? dir : QString();
}

Located voices()
{
    const QString chosen = environment(VoicesVariable);
    if (!chosen.isEmpty()) {
        if (QFileInfo(QDir(chosen).filePath(DefaultVoiceFile)).isFile())
            return {chosen, {}};
        return {chosen, QStringLiteral("環境変数 %1 のフォルダー (%2) に Open JTalk の声 (%3) がありません。")
                            .arg(VoicesVariable, chosen, DefaultVoiceFile)};
    }
    const QString dir = voicesDirFor(QCoreApplication::applicationDirPath());
    if (!dir.isEmpty())
        return {dir, {}};
    return {dir, QStringLiteral("Open JTalk の声 (%1) がありません。517 を導入し直してください。").arg(DefaultVoiceFile)};
}

QString openJTalkMissing()
{
    QStringList packages;
    for (const Located& located : {openJTalkProgram(), openJTalkDictionary()}) {
        if (!located.found())
            packages << located.missing;
    }
    if (!packages.isEmpty())
        return QStringLiteral("Open JTalk がないため、放送は espeak-ng の声で読みます。%1 を導入してください。")
            .arg(packages.join(QStringLiteral(" と ")));
    if (const Located voice = voices(); !voice.found())
        return voice.missing + QStringLiteral("放送は espeak-ng の声で読みます。");
    return {};
}

QStringList missingNotes()
{
    QStringList notes;
    for (const Located& located : {soundFont(), mecabDictionary()}) {
        if (!located.found())
            notes << located.missing;
    }
    if (const PlaceNameFiles places = placeNameFiles(); !places.missing.isEmpty())
        notes << places.missing;
    if (const QString openJTalk = openJTalkMissing(); !openJTalk.isEmpty())
        notes << openJTalk;
    return notes;
}

} // namespace DataPaths
