#include "controls/GlyphSource.h"

#include "platform/Cp932.h"

#include <QFile>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H

#include <cstdio>

namespace {

const char* const kBitmapFolder = "/usr/share/fonts/X11/misc/";

// Index 0 regular, 1 bold.
const char* const kFullWidthFiles[2][2] = {
    {"shnmk16.pcf.gz", "shnmk16b.pcf.gz"},       // gothic
    {"shnmk16min.pcf.gz", "shnmk16minb.pcf.gz"}, // mincho
};
const char* const kHalfWidthFiles[2] = {"shnm8x16r.pcf.gz", "shnm8x16rb.pcf.gz"};

const char* const kOutlineFiles[2] = {
    "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf",
    "/usr/share/fonts/opentype/ipafont-mincho/ipam.ttf",
};

// Shift-JIS lead and trail bytes to the JIS X 0208 code the bitmap faces are
// indexed by; 0 when the pair lies outside JIS X 0208's rows.
unsigned jisFromSjis(unsigned char s1, unsigned char s2)
{
    if (s2 < 0x40 || s2 > 0xFC || s2 == 0x7F)
        return 0;
    unsigned j1 = (s1 - (s1 <= 0x9F ? 0x70u : 0xB0u)) << 1;
    unsigned j2;
    if (s2 < 0x9F) {
        j1 -= 1;
        j2 = s2 - 0x1F - (s2 >= 0x7F ? 1u : 0u);
    } else {
        j2 = s2 - 0x7Eu;
    }
    if (j1 < 0x21 || j1 > 0x7E || j2 < 0x21 || j2 > 0x7E)
        return 0;
    return (j1 << 8) | j2;
}

bool isHalfWidthPrintable(unsigned char b)
{
    return (b >= 0x20 && b <= 0x7E) || (b >= 0xA1 && b <= 0xDF);
}

} // namespace

struct GlyphSource::Faces
{
    FT_Library library = nullptr;
    FT_Face fullWidth[2][2] = {};
    FT_Face halfWidth[2] = {};
    FT_Face outline[2] = {};

    FT_Face open(const QString& path)
    {
        FT_Face face = nullptr;
        if (!QFile::exists(path) || FT_New_Face(library, QFile::encodeName(path).constData(), 0, &face) != 0)
            return nullptr;
        return face;
    }

    ~Faces()
    {
        for (auto& byFace : fullWidth) {
            for (FT_Face f : byFace) {
                if (f)
                    FT_Done_Face(f);
            }
        }
        for (FT_Face f : halfWidth) {
            if (f)
                FT_Done_Face(f);
        }
        for (FT_Face f : outline) {
            if (f)
                FT_Done_Face(f);
        }
        if (library)
            FT_Done_FreeType(library);
    }
};

GlyphSource& GlyphSource::instance()
{
    static GlyphSource source;
    return source;
}

GlyphSource::GlyphSource()
    : m_faces(new Faces)
{
    if (FT_Init_FreeType(&m_faces->library) != 0)
        return;
    const QString folder = QString::fromLatin1(kBitmapFolder);
    auto openBitmap = [&](const char* file) {
        FT_Face face = m_faces->open(folder + QString::fromLatin1(file));
        // The bitmap faces carry no Unicode map: their one map is indexed by
        // the JIS code itself.
        if (face && face->num_charmaps > 0) {
            FT_Set_Charmap(face, face->charmaps[0]);
            FT_Select_Size(face, 0);
        }
        return face;
    };
    for (int f = 0; f < 2; ++f) {
        for (int b = 0; b < 2; ++b)
            m_faces->fullWidth[f][b] = openBitmap(kFullWidthFiles[f][b]);
        m_faces->halfWidth[f] = openBitmap(kHalfWidthFiles[f]);
        m_faces->outline[f] = m_faces->open(QString::fromLatin1(kOutlineFiles[f]));
        if (m_faces->outline[f])
            FT_Set_Pixel_Sizes(m_faces->outline[f], 0, 16);
    }
    m_available = m_faces->fullWidth[0][0] || m_faces->outline[0];
    if (!m_available)
        std::fprintf(stderr, "517: no 16-dot or outline Japanese face found; stop names stay blank\n");
}

GlyphSource::~GlyphSource()
{
    delete m_faces;
}

GlyphCell GlyphSource::print(const QByteArray& cp932, GlyphFace face, bool bold, QPoint offset)
{
    GlyphCell cell;
    int x = offset.x();
    for (qsizetype i = 0; i < cp932.size();) {
        const auto b = static_cast<unsigned char>(cp932[i]);
        const auto next = i + 1 < cp932.size() ? static_cast<unsigned char>(cp932[i + 1]) : 0;
        // A pair shaped as a character that is none prints as its bytes
        // alone would: the lead nothing, the trail perhaps a half-width one.
        const Glyph* g = Cp932::isLeadByte(b) && Cp932::isTrailByte(next) ? &glyph((b << 8) | next, true, face, bold)
                                                                          : nullptr;
        if (g && g->character) {
            i += 2;
        } else {
            g = isHalfWidthPrintable(b) ? &glyph(b, false, face, bold) : nullptr;
            ++i;
        }
        if (!g)
            continue;
        for (int r = 0; r < 16; ++r) {
            const int y = r + offset.y();
            if (y < 0 || y >= 16)
                continue;
            const std::uint32_t shifted = x >= 0 ? std::uint32_t(g->rows[static_cast<size_t>(r)]) << x
                                                 : std::uint32_t(g->rows[static_cast<size_t>(r)]) >> -x;
            cell.rows[static_cast<size_t>(y)] |= static_cast<std::uint16_t>(shifted & 0xFFFFu);
        }
        x += g->width;
    }
    return cell;
}

bool GlyphSource::isCharacter(std::uint16_t code)
{
    return glyph(code, true, GlyphFace::Gothic, false).character;
}

const GlyphSource::Glyph& GlyphSource::glyph(unsigned code, bool doubleByte, GlyphFace face, bool bold)
{
    const quint64 key = quint64(code) | quint64(doubleByte) << 16 | quint64(face == GlyphFace::Mincho) << 17
        | quint64(bold) << 18;
    if (auto it = m_cache.constFind(key); it != m_cache.constEnd())
        return *it;
    return *m_cache.insert(key, load(code, doubleByte, face, bold));
}

namespace {

// Copies a rendered 1-bit FreeType bitmap into rows, its top-left corner at
// (left, top) of the cell.
void blit(const FT_Bitmap& bitmap, int left, int top, std::array<std::uint16_t, 16>& rows)
{
    for (unsigned r = 0; r < bitmap.rows; ++r) {
        const int y = top + static_cast<int>(r);
        if (y < 0 || y >= 16)
            continue;
        const unsigned char* line = bitmap.buffer + static_cast<std::ptrdiff_t>(r) * bitmap.pitch;
        for (unsigned c = 0; c < bitmap.width; ++c) {
            const int x = left + static_cast<int>(c);
            if (x >= 0 && x < 16 && (line[c / 8] & (0x80 >> (c % 8))))
                rows[static_cast<size_t>(y)] |= static_cast<std::uint16_t>(1u << x);
        }
    }
}

} // namespace

GlyphSource::Glyph GlyphSource::load(unsigned code, bool doubleByte, GlyphFace face, bool bold)
{
    Glyph g;
    g.width = doubleByte ? 16 : 8;
    const int f = face == GlyphFace::Mincho ? 1 : 0;
    // Decoded once per code, when first printed: the outline faces are
    // looked up by the character, and a pair that decodes to none is no
    // character at all.
    const char raw[2] = {static_cast<char>(doubleByte ? code >> 8 : code), static_cast<char>(code & 0xFF)};
    const std::optional<QString> text = Cp932::decode(QByteArray(raw, doubleByte ? 2 : 1));
    if (doubleByte && !text) {
        g.character = false;
        return g;
    }

    FT_Face bitmapFace = doubleByte ? m_faces->fullWidth[f][bold ? 1 : 0] : m_faces->halfWidth[bold ? 1 : 0];
    const unsigned bitmapCode = doubleByte ? jisFromSjis(code >> 8, code & 0xFF) : code;
    if (bitmapFace && bitmapCode) {
        const FT_UInt index = FT_Get_Char_Index(bitmapFace, bitmapCode);
        if (index && FT_Load_Glyph(bitmapFace, index, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) == 0) {
            const FT_GlyphSlot slot = bitmapFace->glyph;
            const int ascent = static_cast<int>(bitmapFace->size->metrics.ascender >> 6);
            blit(slot->bitmap, slot->bitmap_left, ascent - slot->bitmap_top, g.rows);
            return g;
        }
    }

    // Not in the bitmap faces (vendor extensions, circled numbers ...): the
    // outline face, black and white at 16 pixels.
    FT_Face outline = m_faces->outline[f];
    if (!outline || !text || text->isEmpty())
        return g;
    const FT_UInt index = FT_Get_Char_Index(outline, text->at(0).unicode());
    if (!index || FT_Load_Glyph(outline, index, FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_MONO) != 0)
        return g;
    if (bold)
        FT_GlyphSlot_Embolden(outline->glyph);
    if (FT_Render_Glyph(outline->glyph, FT_RENDER_MODE_MONO) != 0)
        return g;
    const FT_GlyphSlot slot = outline->glyph;
    const int ascent = static_cast<int>(outline->size->metrics.ascender >> 6);
    blit(slot->bitmap, slot->bitmap_left, ascent - slot->bitmap_top, g.rows);
    return g;
}
