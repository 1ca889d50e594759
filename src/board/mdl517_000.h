#pragma once

class Form1;

// Board routines run by the board's start-up.
namespace mdl517_000 {

// Writes the ticket numbers into the 36 number labels in numbering style
// nStyle, zero-padding one-digit numbers when nZeroPad is non-zero: those of
// the page on show (the first, on the twelve-ticket board), and the page's
// range into the page indicator. A failure is shown and ends the writing;
// the labels written keep their captions.
void SeirikenNumSet(Form1& board, int nStyle, int nZeroPad);

// Blanks the 36 fare cells: only their unlit "8"s remain.
void ClearFareCells(Form1& board);

// Presets the number-strip switch and colours of the options dialog, puts
// the built-in face with white numbers on the board and fills the ON2 holder
// with the green-numbered face; points the fare and announcement folders at
// the bundled samples when there are some.
void InitPanelDefaults(Form1& board);

} // namespace mdl517_000
