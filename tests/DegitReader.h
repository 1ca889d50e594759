#pragma once

#include <QString>

#include <cstdint>

class M_Degit;

// Reads a digit cell's picture back: which segments of each position show
// the lit colour. Lets tests check the drawing, not only the text rules.
namespace DegitReader {

// Lit-segment masks of every position, left to right, sampled at the middle
// of each segment of the cell's face.
QList<std::uint8_t> litMasks(const M_Degit& cell);

// The positions as characters: a digit, '-', ' ' (nothing lit) or '?' for a
// pattern that is none of these.
QString litText(const M_Degit& cell);

// True when every position shows the whole unlit "8".
bool allUnlitEights(const M_Degit& cell);

} // namespace DegitReader
