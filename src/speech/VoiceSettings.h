#pragma once

#include <QString>

// The voice's adjustable values on one scale for every voice, in espeak-ng's
// own units; each voice maps them onto its own options.
struct VoiceSettings
{
    static constexpr int MinRate = 80; // words per minute
    static constexpr int MaxRate = 300;
    static constexpr int MinPitch = 0;
    static constexpr int MaxPitch = 100;
    static constexpr int MinVolume = 0; // 100 = as synthesised
    static constexpr int MaxVolume = 200;

    // Announcements are read a little slower than espeak-ng's 175; for the
    // other voices this is their natural speed.
    static constexpr int NaturalRate = 150;
    static constexpr int NaturalPitch = 50;

    int rate = NaturalRate;
    int pitch = NaturalPitch;
    int volume = 100;

    VoiceSettings clamped() const;
    bool operator==(const VoiceSettings&) const = default;
};

// Which voice speaks the announcements, and how. Kept in a small file of its
// own in the user's configuration folder, beside the settings file, whose
// layout has no room for it.
struct VoiceChoice
{
    // The voices by the names the file keeps.
    static inline const QString Mei = QStringLiteral("mei");
    static inline const QString M001 = QStringLiteral("m001");
    static inline const QString Espeak = QStringLiteral("espeak-ng");

    QString voice = Mei;
    VoiceSettings values;

    bool operator==(const VoiceChoice&) const = default;

    // <configuration folder>/voice.ini
    static QString defaultFile();
    // What the file holds; defaults for a file that is missing or unreadable
    // and for every value it lacks, values brought into their ranges.
    static VoiceChoice read(const QString& path);
    // Replaces the file whole (a failed write leaves the old one), making its
    // folder when needed. False when it could not be written.
    bool write(const QString& path) const;
};
