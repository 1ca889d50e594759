#pragma once

class Form1;
class frmCtl;
class frmOption;

// The settings file between the windows and the settings records: the board's
// start-up loads it, the panel's exit saves it. The file itself is
// mdlIniIo_517's (src/settings), which knows no window.
namespace mdlIniIo_517 {

// Reads the settings file and hands it to the windows: the board's cells,
// then the options dialog, the panel, the board's position and the options'
// display settings. A missing file is no error; any other failure is shown,
// and a file shorter than its layout changes nothing.
void LoadIni(Form1& board, frmCtl& panel, frmOption& options);
// Collects the settings from the windows and replaces the settings file with
// them. A failure is shown and leaves the previous file whole.
void SaveIni(Form1& board, frmCtl& panel, frmOption& options);

} // namespace mdlIniIo_517
