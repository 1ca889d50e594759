#pragma once

#include <QString>

#include <cstdint>

// The multimedia command strings the sound channels are driven with:
//
//   open "<file>" type waveaudio|mpegvideo|sequencer alias <name> [wait]
//   close <name>
//   stop <name>
//   play <name> [from 0] [wait]
//   status <name> length|position|mode
//
// A device name ends in S1 to S4, the output channel it plays on. open reads
// the file's header and first block, so a file that cannot be played is
// refused there; the file's content decides how it is decoded, not the type
// named. The sound itself is decoded while it plays. play without wait
// returns at once; with wait it returns when the sound has ended, keeping
// windows painting and holding user input back meanwhile. status answers in
// milliseconds (length from the header, or a song's tempo map; position as
// far as the sound has gone to the device) or with "playing" or "stopped".
// Returns 0 on success, otherwise one of the error numbers below.
std::int32_t mciSendStringA(const QString& command);
// The same, with the command's answer (status) in answer.
std::int32_t mciSendStringA(const QString& command, QString* answer);

// The error numbers of the multimedia command interface that can occur here.
namespace MciError {
inline constexpr std::int32_t UnrecognizedKeyword = 259;
inline constexpr std::int32_t UnrecognizedCommand = 261;
inline constexpr std::int32_t InvalidDeviceName = 263;
inline constexpr std::int32_t DeviceOpen = 265;
inline constexpr std::int32_t BadInteger = 270;
inline constexpr std::int32_t MissingParameter = 273;
inline constexpr std::int32_t UnsupportedFunction = 274;
inline constexpr std::int32_t FileNotFound = 275;
inline constexpr std::int32_t DeviceTypeRequired = 287;
inline constexpr std::int32_t NoClosingQuote = 294;
inline constexpr std::int32_t InvalidFile = 296;
inline constexpr std::int32_t FilenameRequired = 304;
} // namespace MciError
