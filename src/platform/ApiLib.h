#pragma once

#include "platform/AppError.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>

class QMessageBox;
class QPixmap;
class QWidget;
struct MrvDate;

// Platform and companion-library operations, and the one seam through which
// every message box and modal picker of the program goes.
namespace ApiLib {

inline const QString AppTitle = QStringLiteral("ミラゼルアプリケーション");

// The executable's file name without extension (the model number, 517): it
// names the settings file, the sound channels and the board's caption.
QString ExeName();

// Message box styles and answers, combinable as buttons | icon.
enum MsgBoxStyle : int {
    vbOKOnly = 0,
    vbOKCancel = 1,
    vbYesNo = 4,
    vbCritical = 16,
    vbQuestion = 32,
    vbExclamation = 48,
    vbInformation = 64,
};
enum MsgBoxResult : int {
    vbOK = 1,
    vbCancel = 2,
    vbYes = 6,
    vbNo = 7,
};

// One modal interaction as it passes the seam. numbers and texts carry the
// in/out values of pickers; an answerer may change them as the user would.
struct SeamCall
{
    QString kind; // "MsgBox", "Call_dlg100", "Call_dlg110", ...
    QString title;
    QString text;
    int style = 0;
    QList<std::int32_t> numbers;
    QStringList texts;
};

// Replaces every real dialog with the answerer (tests); an empty function
// restores the real dialogs.
using Answerer = std::function<std::int32_t(SeamCall&)>;
void setAnswerer(Answerer answerer);

// A modal dialog owned by another module passes the seam here: real shows it
// and returns its answer, unless an answerer takes its place.
std::int32_t ShowModal(SeamCall& call, const std::function<std::int32_t(SeamCall&)>& real);

// Message box with the application's title unless another is given.
int MsgBox(const QString& prompt, int style = vbOKOnly, const QString& title = AppTitle);

// The message every trapped failure is shown with.
QString errorText(const AppError& error);
void showError(const AppError& error);

// A note beside what the user is doing: shown without waiting for an
// answer, so nothing it is shown from (a route setting, the start-up) is
// held up, and the exit is never held up by it. Passes the seam as "Note";
// returns the box shown, none when an answerer took it.
QMessageBox* Note(const QString& prompt, int style = vbOKOnly, QWidget* owner = nullptr);

// Runs an event handler's body; whatever escapes it is shown and the program
// goes on.
void guarded(const std::function<void()>& body) noexcept;

// --- waits and files ----------------------------------------------------------

// Waits ms milliseconds. Windows keep painting, but user input is held back
// and served after the wait, as a blocking wait would.
void Sleep(int ms);
// Replaces Sleep (tests record the wait instead of waiting); an empty
// function restores the real wait.
void setSleeper(std::function<void(int)> sleeper);

// Lets the pending window events run.
void DoEvents();

// folder with a "/" appended, unless it is empty or already ends with one.
QString withTrailingSeparator(const QString& folder);

// The path itself when it names an entry; otherwise an entry of its folder
// whose name differs only in letter case; otherwise the path unchanged.
QString FindFileNoCase(const QString& path);

// True when path names an existing file that a plain directory listing shows
// (not a folder, not hidden).
bool FileExists(const QString& path);

// Loads a BMP, GIF or JPG picture. Failures raise the classic numbers: 53 no
// such file, 76 no such folder, 75 not readable (a folder, no permission),
// 481 not a picture or a damaged one, 7 out of memory.
QPixmap LoadPicture(const QString& path);

// Drops the announcement tape's speech engine (at exit). The tape, which
// owns the engine and sits above this module, hands over how when it
// creates one; until then there is nothing to drop.
void ReleaseSpeech();
void setSpeechRelease(std::function<void()> release);

// --- companion library -------------------------------------------------------

std::int32_t LenB_ASCII(const QByteArray& text);
QByteArray MidB_ASCII(const QByteArray& text, std::int32_t start, std::int32_t length);
QString GetOsInfo();

// Returns 1 (OK, apply to every cell), 2 (OK, this cell) or 0 (cancel; the
// values are left unchanged).
std::int32_t Call_dlg100(QWidget* control, std::int16_t keta, std::int16_t& zeroMode, std::int16_t& shift,
                         std::int16_t& fillZero);
void Call_dlg110(QWidget* owner, std::int32_t flag, const QString& text);

// Pickers. Each passes the seam as its own kind; an answer of 0 cancels and
// leaves every value as it was. Paths come back empty when cancelled.
//   "KelFileDlg":     title, text = filter, numbers = {flags},
//                     texts = {initial, then the chosen path}
//   "KelFolderDlg":   title, texts = {the chosen folder}
//   "KelChooseColor": numbers = {colour, custom colour 0 … 16}
//   "Call_dlg111":    numbers = the record's eight fields in order
// filter holds description/pattern pairs separated by '\0' (closing NULs may
// be left out).
QString KelFileDlg(QWidget* owner, std::int32_t flags, const QString& filter, const QString& initial,
                   const QString& title);
QString KelFolderDlg(QWidget* owner, const QString& title);
// Runs a path picker of the companion library with a buffer of
// PathBufferSize bytes and hands back the path it chose, empty when
// cancelled. picker(buffer, size) answers as the library's pickers do.
inline constexpr std::int32_t PathBufferSize = 4096;
QString pickPath(const std::function<std::int32_t(char*, std::int32_t)>& picker);
std::int32_t KelChooseColor(QWidget* owner, std::int32_t& colour, std::array<std::int32_t, 17>& custColors);
std::int32_t Call_dlg111(QWidget* owner, MrvDate& record);

// --- operating system version ------------------------------------------------

struct OSVERSIONINFO
{
    std::uint32_t dwOSVersionInfoSize = 148;
    std::uint32_t dwMajorVersion = 0;
    std::uint32_t dwMinorVersion = 0;
    std::uint32_t dwBuildNumber = 0;
    std::uint32_t dwPlatformId = 0;
    char szCSDVersion[128] = {};
};
inline constexpr std::uint32_t VER_PLATFORM_WIN32_WINDOWS = 1;
inline constexpr std::uint32_t VER_PLATFORM_WIN32_NT = 2;

// This system answers as a later member of the NT family, so every caller
// takes the path meant for current systems.
bool GetVersionExA(OSVERSIONINFO& info);

} // namespace ApiLib
