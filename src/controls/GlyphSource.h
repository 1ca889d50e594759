#pragma once

#include <QByteArray>
#include <QHash>
#include <QPoint>

#include <array>
#include <cstdint>

// One 16 x 16 character cell, black pixels set: bit c of rows[r] is (c, r).
struct GlyphCell
{
    std::array<std::uint16_t, 16> rows{};

    bool black(int c, int r) const
    {
        return c >= 0 && c < 16 && r >= 0 && r < 16 && ((rows[static_cast<size_t>(r)] >> c) & 1u);
    }
    bool empty() const
    {
        for (const std::uint16_t row : rows) {
            if (row)
                return false;
        }
        return true;
    }
};

enum class GlyphFace { Gothic, Mincho };

// Prints code page 932 text into a 16 x 16 cell with the 16-dot bitmap faces
// that LED boards use; characters those faces lack come from the outline
// faces rendered black-and-white at 16 pixels.
class GlyphSource
{
public:
    static GlyphSource& instance();

    // Prints the bytes (one double-byte character, or single-byte characters
    // 8 pixels wide each) from the cell's top-left corner moved by offset;
    // what falls outside the cell is cut. Bytes that form no character print
    // nothing and take no room.
    GlyphCell print(const QByteArray& cp932, GlyphFace face, bool bold, QPoint offset);

    // False for a double-byte code (lead << 8 | trail) that code page 932
    // does not assign; known once the code has been looked at, which
    // decodes it the first time only.
    bool isCharacter(std::uint16_t code);

    // False when none of the faces could be opened: every cell is then blank.
    bool available() const { return m_available; }

    GlyphSource(const GlyphSource&) = delete;
    GlyphSource& operator=(const GlyphSource&) = delete;

private:
    GlyphSource();
    ~GlyphSource();

    // A glyph as printed at the cell's origin, 16 rows of up to 16 columns.
    struct Glyph
    {
        std::array<std::uint16_t, 16> rows{};
        int width = 16;
        bool character = true; // false for a pair that code page 932 does not assign
    };
    const Glyph& glyph(unsigned code, bool doubleByte, GlyphFace face, bool bold);
    Glyph load(unsigned code, bool doubleByte, GlyphFace face, bool bold);

    struct Faces;
    Faces* m_faces;
    bool m_available = false;
    QHash<quint64, Glyph> m_cache;
};
