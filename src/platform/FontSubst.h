#pragma once

#include <QString>

// The windows name their fonts by the Japanese Windows family names; these map
// them onto fonts installed on this system.
namespace FontSubst {

inline const QString Gothic = QStringLiteral("ＭＳ ゴシック");
inline const QString Mincho = QStringLiteral("ＭＳ 明朝");
inline const QString PGothic = QStringLiteral("ＭＳ Ｐゴシック");
inline const QString DigitFace = QStringLiteral("ヴァルネ数字平体");

// Registers the substitutions with Qt; safe to call more than once.
void install();

} // namespace FontSubst
