#include "speech/OpenJTalkText.h"

#include "readings/YomiText.h"

#include <QList>

#include <algorithm>
#include <cstring>

namespace OpenJTalkText {

using Yomi::Piece;

namespace {

// A sound key whose every sound remembers which piece it came from.
struct Keyed
{
    QString key;
    std::vector<int> owner;
};

// Text fed in a stretch at a time (each stretch from one owner); long
// vowels are recognised across stretches, as they are heard.
class KeyBuilder
{
public:
    void add(QStringView text, int owner)
    {
        for (QChar c : text) {
            if (const QChar sound = m_folder.next(c); !sound.isNull()) {
                m_keyed.key += sound;
                m_keyed.owner.push_back(owner);
            }
        }
    }
    const Keyed& keyed() const { return m_keyed; }

private:
    Keyed m_keyed;
    Yomi::Text::SoundFolder m_folder;
};

QString pauseInput(const QString& mark)
{
    if (mark == QStringLiteral("?"))
        return QStringLiteral("？");
    return mark;
}

// What a piece puts into the input at most, however it is given.
qsizetype inputBytes(const Piece& p)
{
    return std::max(p.surface.toUtf8().size(), p.reading.toUtf8().size()) + 3;
}

std::uint32_t le32(const char* p)
{
    return static_cast<std::uint32_t>(static_cast<unsigned char>(p[0]))
         | static_cast<std::uint32_t>(static_cast<unsigned char>(p[1])) << 8
         | static_cast<std::uint32_t>(static_cast<unsigned char>(p[2])) << 16
         | static_cast<std::uint32_t>(static_cast<unsigned char>(p[3])) << 24;
}

std::uint16_t le16(const char* p)
{
    return static_cast<std::uint16_t>(static_cast<unsigned char>(p[0]) | static_cast<unsigned char>(p[1]) << 8);
}

} // namespace

QString soundKey(QStringView reading)
{
    KeyBuilder builder;
    builder.add(reading, 0);
    return builder.keyed().key;
}

QString spokenFromTrace(QByteArrayView trace)
{
    const QList<QByteArray> lines = trace.toByteArray().split('\n');
    QString spoken;
    bool inAnalysis = false;
    for (const QByteArray& raw : lines) {
        const QByteArray line = raw.trimmed();
        if (line == "[Text analysis result]") {
            inAnalysis = true;
            continue;
        }
        if (!inAnalysis)
            continue;
        if (line.isEmpty() || line.startsWith('['))
            break;
        // surface, part of speech and three subclasses, conjugation type and
        // form, base form, reading, pronunciation, accent, chain rule, chain
        // flag: counted from the end, as a surface may itself hold a comma.
        const QList<QByteArray> fields = line.split(',');
        if (fields.size() >= 13)
            spoken += QString::fromUtf8(fields[fields.size() - 4]);
    }
    return spoken;
}

Pcm readWav(QByteArrayView bytes)
{
    Pcm pcm;
    const char* data = bytes.data();
    const qsizetype size = bytes.size();
    if (size < 12 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WAVE", 4) != 0)
        return pcm;
    int channels = 0;
    int rate = 0;
    bool pcm16 = false;
    qsizetype at = 12;
    while (at + 8 <= size) {
        const char* chunk = data + at;
        const qsizetype length = le32(chunk + 4);
        const qsizetype body = at + 8;
        const qsizetype available = std::min<qsizetype>(length, size - body);
        if (std::memcmp(chunk, "fmt ", 4) == 0 && available >= 16) {
            const char* f = data + body;
            pcm16 = le16(f) == 1 && le16(f + 14) == 16;
            channels = le16(f + 2);
            rate = static_cast<int>(le32(f + 4));
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!pcm16 || channels < 1 || rate <= 0)
                return pcm;
            // The first channel of each frame.
            const qsizetype frameBytes = 2 * static_cast<qsizetype>(channels);
            const qsizetype frames = available / frameBytes;
            pcm.samples.resize(static_cast<std::size_t>(frames));
            for (qsizetype i = 0; i < frames; ++i)
                pcm.samples[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(le16(data + body + i * frameBytes));
            pcm.rate = rate;
            return pcm;
        }
        // Chunks are padded to an even length.
        at = body + length + (length & 1);
    }
    return pcm;
}

std::vector<bool> readingsToGive(const std::vector<Piece>& pieces)
{
    std::vector<bool> give(pieces.size(), false);
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const Piece& p = pieces[i];
        give[i] = p.kind == Piece::Kind::Word && (p.source == Yomi::Source::Given || p.source == Yomi::Source::SpeltOut);
    }
    return give;
}

QString input(const std::vector<Piece>& pieces, const std::vector<bool>& asReading)
{
    QString text;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const Piece& p = pieces[i];
        switch (p.kind) {
        case Piece::Kind::Word:
            if (i < asReading.size() && asReading[i])
                text += QString(p.reading).replace(QChar(Yomi::UnknownMark), QChar(0x3001));
            else
                text += p.surface;
            break;
        case Piece::Kind::Pause:
            text += pauseInput(p.reading);
            break;
        case Piece::Kind::Break:
            break;
        }
    }
    return text;
}

std::vector<bool> misread(const std::vector<Piece>& pieces, const QString& spoken)
{
    KeyBuilder builder;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (pieces[i].kind == Piece::Kind::Word)
            builder.add(pieces[i].reading, static_cast<int>(i));
    }
    const Keyed& said = builder.keyed();
    const QString heard = soundKey(spoken);
    const std::size_t n = static_cast<std::size_t>(said.key.size());
    const std::size_t m = static_cast<std::size_t>(heard.size());

    // Edit distance between what the readings say and what was heard, then
    // the cheapest way back through it.
    std::vector<std::vector<int>> cost(n + 1, std::vector<int>(m + 1, 0));
    for (std::size_t i = 0; i <= n; ++i)
        cost[i][0] = static_cast<int>(i);
    for (std::size_t j = 0; j <= m; ++j)
        cost[0][j] = static_cast<int>(j);
    for (std::size_t i = 1; i <= n; ++i) {
        for (std::size_t j = 1; j <= m; ++j) {
            const int same = said.key[static_cast<qsizetype>(i - 1)] == heard[static_cast<qsizetype>(j - 1)] ? 0 : 1;
            cost[i][j] = std::min({cost[i - 1][j - 1] + same, cost[i - 1][j] + 1, cost[i][j - 1] + 1});
        }
    }
    std::vector<bool> wrong(pieces.size(), false);
    const auto mark = [&](std::size_t keyIndex) {
        if (keyIndex < n)
            wrong[static_cast<std::size_t>(said.owner[keyIndex])] = true;
    };
    std::size_t i = n;
    std::size_t j = m;
    while (i > 0 || j > 0) {
        if (i > 0 && j > 0
            && cost[i][j] == cost[i - 1][j - 1] + (said.key[static_cast<qsizetype>(i - 1)] == heard[static_cast<qsizetype>(j - 1)] ? 0 : 1)) {
            if (cost[i][j] != cost[i - 1][j - 1])
                mark(i - 1);
            --i;
            --j;
        } else if (i > 0 && cost[i][j] == cost[i - 1][j] + 1) {
            mark(i - 1);
            --i;
        } else {
            // A sound heard that the readings do not have: the pieces on
            // either side may have caused it.
            if (i > 0)
                mark(i - 1);
            mark(i);
            --j;
        }
    }
    return wrong;
}

std::vector<std::vector<Piece>> parts(const std::vector<Piece>& pieces, int maxBytes)
{
    std::vector<std::vector<Piece>> result;
    std::vector<Piece> part;
    qsizetype bytes = 0;
    std::size_t afterPause = 0; // where the part would best be cut; 0: nowhere yet
    const auto hasWords = [](const std::vector<Piece>& ps) {
        return std::any_of(ps.begin(), ps.end(), [](const Piece& p) { return p.kind == Piece::Kind::Word; });
    };
    for (const Piece& p : pieces) {
        // Marks right after a sentence's end belong to that sentence.
        if (p.kind == Piece::Kind::Pause && !result.empty() && !hasWords(part)) {
            result.back().push_back(p);
            continue;
        }
        const qsizetype size = inputBytes(p);
        while (!part.empty() && bytes + size > maxBytes) {
            const std::size_t cut = afterPause ? afterPause : part.size();
            result.emplace_back(part.begin(), part.begin() + static_cast<std::ptrdiff_t>(cut));
            part.erase(part.begin(), part.begin() + static_cast<std::ptrdiff_t>(cut));
            bytes = 0;
            afterPause = 0;
            for (std::size_t k = 0; k < part.size(); ++k) {
                bytes += inputBytes(part[k]);
                if (part[k].kind == Piece::Kind::Pause)
                    afterPause = k + 1;
            }
        }
        part.push_back(p);
        bytes += size;
        if (p.kind != Piece::Kind::Pause)
            continue;
        afterPause = part.size();
        // A sentence's end closes the part, unless it has nothing to say yet.
        if (p.reading != QStringLiteral("、") && hasWords(part)) {
            result.push_back(std::move(part));
            part.clear();
            bytes = 0;
            afterPause = 0;
        }
    }
    if (!part.empty())
        result.push_back(std::move(part));
    return result;
}

Rounds::Rounds(std::vector<Piece> pieces, bool verify)
    : m_pieces(std::move(pieces))
    , m_asReading(readingsToGive(m_pieces))
    , m_verify(verify)
{
}

QString Rounds::input() const
{
    return OpenJTalkText::input(m_pieces, m_asReading);
}

bool Rounds::heard(const QString& spoken)
{
    if (!m_verify)
        return true;
    const std::vector<bool> wrong = misread(m_pieces, spoken);
    bool more = false;
    m_agreed = true;
    for (std::size_t i = 0; i < wrong.size(); ++i) {
        if (!wrong[i])
            continue;
        m_agreed = false;
        if (!m_asReading[i]) {
            m_asReading[i] = true;
            more = true;
        }
    }
    if (!more || m_round >= MaxRounds)
        return true;
    ++m_round;
    return false;
}

} // namespace OpenJTalkText
