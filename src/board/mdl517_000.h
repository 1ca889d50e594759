#pragma once

class Form1;

// Board routines run by the board's start-up.
namespace mdl517_000 {

// Blanks the 36 fare cells: only their unlit "8"s remain.
void ClearFareCells(Form1& board);

// Presets the number-strip switch and colours of the options dialog, puts
// the built-in face with white numbers on the board and fills the ON2 holder
// with the green-numbered face.
void InitPanelDefaults(Form1& board);

} // namespace mdl517_000
