#pragma once

#include <QString>
#include <QStringList>

// Where the program finds the files that are not the user's: its own sample
// data and voices, the General MIDI soundfont, MeCab's IPA dictionary and
// Open JTalk. Installed, the samples and voices sit under the install prefix
// and the rest belongs to the system, so nothing here is a fixed path of the
// build machine.
namespace DataPaths {

// Each names a file or folder that wins over anything the system says.
inline const QString SoundFontVariable = QStringLiteral("FAREBOARD_SOUNDFONT");
inline const QString DictionaryVariable = QStringLiteral("FAREBOARD_MECAB_DIC");
inline const QString VoicesVariable = QStringLiteral("FAREBOARD_VOICES");

// What a lookup found. When nothing usable is there, missing tells the user
// what is missing and how to get it, and path is where it was expected, so
// that a later failure to open it names a real place.
struct Located
{
    QString path;
    QString missing;

    bool found() const { return missing.isEmpty(); }
};

// The bundled sample routes, announcement files, chimes and ticket plug-ins:
// <prefix>/share/517/samples beside an installed program, build/samples
// beside one run from the build tree; empty when there are none.
QString samplesDir();
QString samplesDirFor(const QString& programDir);
// Where the installed data folder is from the programs' folder
// ("../share/517" for the usual layout).
QString dataFromProgramDir();

// The soundfont songs are rendered with: the variable's file when it is set,
// else the first usable of soundFontCandidates().
Located soundFont();
Located findSoundFont(const QString& overridePath, const QStringList& candidates);
// FluidSynth's own default soundfont, then Debian's default-GM.sf2
// alternative, then the soundfont the package depends on.
QStringList soundFontCandidates();

// The folder of MeCab's IPA dictionary (UTF-8): the variable's folder when it
// is set, else the first of dictionaryCandidates() that holds a dictionary.
Located mecabDictionary();
Located findDictionary(const QString& overrideDir, const QStringList& candidates);
// The IPA dictionary's own folder, which the transit words are compiled
// against; never the system's default dictionary, which may be another.
QStringList dictionaryCandidates();

// The place and station names with their readings that Debian's enamdict and
// skkdic-extra install; their licences keep them out of this program, so
// they are read where the packages put them. missing names the packages
// when a file is not there (the readings then go without it).
struct PlaceNameFiles
{
    QString enamdict;  // empty when missing
    QStringList skk;   // the geographic, station and Okinawa dictionaries found
    QString missing;
};
PlaceNameFiles placeNameFiles();
PlaceNameFiles findPlaceNameFiles(const QString& enamdict, const QString& skkDir);
// Open JTalk's program and the dictionary it analyses with (its own NAIST
// dictionary, not MeCab's).
Located openJTalkProgram();
Located openJTalkDictionary();
// The default voice, Mei, inside the voices folder.
inline const QString DefaultVoiceFile = QStringLiteral("mei/mei_normal.htsvoice");
// The folder of the program's voices for Open JTalk, each in a folder of its
// own with its licence: the variable's folder when it is set, else
// <prefix>/share/517/voices beside an installed program, build/voices beside
// one run from the build tree. A folder counts when it holds the default voice.
Located voices();
QString voicesDirFor(const QString& programDir);
// Why Open JTalk cannot speak, naming what to install, or an empty text.
QString openJTalkMissing();

// One message per missing piece, for the start-up.
QStringList missingNotes();

} // namespace DataPaths
