#include "platform/FontSubst.h"

#include <QFont>
#include <QStringList>

namespace FontSubst {

void install()
{
    QFont::insertSubstitutions(Gothic, QStringList() << QStringLiteral("IPAGothic") << QStringLiteral("IPAゴシック"));
    QFont::insertSubstitutions(Mincho, QStringList() << QStringLiteral("IPAMincho") << QStringLiteral("IPA明朝"));
    QFont::insertSubstitutions(PGothic, QStringList() << QStringLiteral("IPAPGothic") << QStringLiteral("IPAPゴシック"));
    // A plain bold face with clear figures; the labels that use it also hold
    // kana, which the gothic face supplies.
    QFont::insertSubstitutions(DigitFace, QStringList() << QStringLiteral("DejaVu Sans") << QStringLiteral("IPAGothic"));
}

} // namespace FontSubst
