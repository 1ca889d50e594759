#include "platform/ApiLib.h"

#include "platform/Cp932.h"

#include <MirvRes.h>

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QPixmap>
#include <QPointer>
#include <QScreen>
#include <QMessageBox>
#include <QTimer>
#include <QPushButton>

#include <algorithm>
#include <utility>

namespace ApiLib {

namespace {

std::function<void(int)>& sleeper()
{
    static std::function<void(int)> s;
    return s;
}

std::function<void()>& speechRelease()
{
    static std::function<void()> r;
    return r;
}

Answerer& answerer()
{
    static Answerer a;
    return a;
}

QMessageBox::Icon iconFor(int style)
{
    switch (style & 0x70) {
    case vbCritical:
        return QMessageBox::Critical;
    case vbQuestion:
        return QMessageBox::Question;
    case vbExclamation:
        return QMessageBox::Warning;
    case vbInformation:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

int showMessageBox(const SeamCall& call)
{
    QMessageBox box(iconFor(call.style), call.title, QString(call.text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    box.setTextFormat(Qt::PlainText);
    struct Choice
    {
        QString text;
        QMessageBox::ButtonRole role;
        int result;
    };
    QList<Choice> choices;
    switch (call.style & 0x7) {
    case vbOKCancel:
        choices = {{QStringLiteral("OK"), QMessageBox::AcceptRole, vbOK},
                   {QStringLiteral("キャンセル"), QMessageBox::RejectRole, vbCancel}};
        break;
    case vbYesNo:
        choices = {{QStringLiteral("はい(&Y)"), QMessageBox::YesRole, vbYes},
                   {QStringLiteral("いいえ(&N)"), QMessageBox::NoRole, vbNo}};
        break;
    default:
        choices = {{QStringLiteral("OK"), QMessageBox::AcceptRole, vbOK}};
        break;
    }
    QList<QPushButton*> buttons;
    for (const auto& c : choices)
        buttons.append(box.addButton(c.text, c.role));
    box.setDefaultButton(buttons.first());
    box.exec();
    const int clicked = buttons.indexOf(qobject_cast<QPushButton*>(box.clickedButton()));
    // Closing the box through its frame answers like its last (cancelling) button.
    return choices.at(clicked >= 0 ? clicked : choices.size() - 1).result;
}

// A note stands in the middle of the screen, away from the board in its
// corner and the panel in the other, so that it covers no key the user may
// go on pressing; each further note open at the time stands a little lower
// and to the right, so that none hides another.
void placeNote(QMessageBox& note)
{
    static QList<QPointer<QMessageBox>> open;
    open.removeIf([](const QPointer<QMessageBox>& n) { return !n || !n->isVisible(); });
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame(QPoint(), note.frameGeometry().size());
    frame.moveCenter(screen->availableGeometry().center() + QPoint(24, 24) * static_cast<int>(open.size()));
    note.move(frame.topLeft());
    open.append(&note);
}

// Every modal interaction passes here: the answerer takes it when one is set.
std::int32_t pass(SeamCall& call, const std::function<std::int32_t(SeamCall&)>& real)
{
    if (answerer())
        return answerer()(call);
    return real(call);
}

QByteArray terminated(const QByteArray& bytes)
{
    QByteArray buffer = bytes;
    buffer.append('\0');
    return buffer;
}

} // namespace

void setAnswerer(Answerer a)
{
    answerer() = std::move(a);
}

std::int32_t ShowModal(SeamCall& call, const std::function<std::int32_t(SeamCall&)>& real)
{
    return pass(call, real);
}

QString ExeName()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

int MsgBox(const QString& prompt, int style, const QString& title)
{
    SeamCall call{QStringLiteral("MsgBox"), title, prompt, style, {}, {}};
    return pass(call, [](SeamCall& c) { return showMessageBox(c); });
}

QString errorText(const AppError& error)
{
    return QStringLiteral("エラー Code:%1\r\n内容:%2").arg(error.number()).arg(error.description());
}

void showError(const AppError& error)
{
    MsgBox(errorText(error), vbOKOnly | vbCritical);
}

void guarded(const std::function<void()>& body) noexcept
{
    try {
        try {
            body();
        } catch (...) {
            showError(AppError::fromCurrentException());
        }
    } catch (...) {
        // Showing the message failed as well; nothing is left to tell the user with.
    }
}

QMessageBox* Note(const QString& prompt, int style, QWidget* owner)
{
    SeamCall call{QStringLiteral("Note"), AppTitle, prompt, style, {}, {}};
    QMessageBox* shown = nullptr;
    pass(call, [owner, &shown](SeamCall& c) {
        shown = new QMessageBox(iconFor(c.style), c.title, QString(c.text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
                                QMessageBox::Ok, owner);
        shown->setTextFormat(Qt::PlainText);
        shown->setAttribute(Qt::WA_DeleteOnClose);
        shown->setModal(false);
        // A note of no window goes with the program, not with a window.
        if (!owner)
            QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, shown, &QObject::deleteLater);
        // A message box takes its size only as it is shown.
        shown->show();
        placeNote(*shown);
        return vbOK;
    });
    return shown;
}

void Sleep(int ms)
{
    if (sleeper()) {
        sleeper()(ms);
        return;
    }
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

void setSleeper(std::function<void(int)> s)
{
    sleeper() = std::move(s);
}

void DoEvents()
{
    QCoreApplication::processEvents();
}

QString withTrailingSeparator(const QString& folder)
{
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/')))
        return folder;
    return folder + QLatin1Char('/');
}

QString FindFileNoCase(const QString& path)
{
    const QFileInfo info(path);
    if (info.exists())
        return path;
    const QDir folder = info.dir();
    const QStringList names = folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        if (name.compare(info.fileName(), Qt::CaseInsensitive) == 0)
            return path.left(path.size() - info.fileName().size()) + name;
    }
    return path;
}

bool FileExists(const QString& path)
{
    const QFileInfo info(path);
    return !path.isEmpty() && info.isFile() && !info.isHidden();
}

QPixmap LoadPicture(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        throw AppError(info.dir().exists() ? ErrNo::FileNotFound : ErrNo::PathNotFound);
    if (info.isDir() || !info.isReadable())
        throw AppError(ErrNo::PathFileAccess);
    QImageReader reader(path);
    // Decide by content: a text file named .jpg is not a picture.
    reader.setDecideFormatFromContent(true);
    QImage image = reader.read();
    if (image.isNull()) {
        switch (reader.error()) {
        case QImageReader::FileNotFoundError:
            throw AppError(ErrNo::FileNotFound);
        case QImageReader::DeviceError:
            throw AppError(ErrNo::PathFileAccess);
        default:
            throw AppError(ErrNo::InvalidPicture);
        }
    }
    QPixmap picture = QPixmap::fromImage(std::move(image));
    if (picture.isNull())
        throw AppError(ErrNo::OutOfMemory);
    return picture;
}

void ReleaseSpeech()
{
    if (speechRelease())
        speechRelease()();
}

void setSpeechRelease(std::function<void()> release)
{
    speechRelease() = std::move(release);
}

std::int32_t LenB_ASCII(const QByteArray& text)
{
    return ::LenB_ASCII(terminated(text).constData());
}

QByteArray MidB_ASCII(const QByteArray& text, std::int32_t start, std::int32_t length)
{
    QByteArray buffer = terminated(text);
    const std::int32_t n = ::MidB_ASCII(buffer.data(), start, length);
    buffer.truncate(n);
    return buffer;
}

QString GetOsInfo()
{
    char buffer[256];
    ::GetOsInfo(buffer, sizeof buffer);
    return QString::fromLocal8Bit(buffer);
}

std::int32_t Call_dlg100(QWidget* control, std::int16_t keta, std::int16_t& zeroMode, std::int16_t& shift,
                         std::int16_t& fillZero)
{
    SeamCall call{QStringLiteral("Call_dlg100"), {}, {}, 0, {keta, zeroMode, shift, fillZero}, {}};
    const std::int32_t result = pass(call, [control](SeamCall& c) {
        std::int16_t z = static_cast<std::int16_t>(c.numbers[1]);
        std::int16_t s = static_cast<std::int16_t>(c.numbers[2]);
        std::int16_t f = static_cast<std::int16_t>(c.numbers[3]);
        const std::int32_t r = ::Call_dlg100(control, static_cast<std::int16_t>(c.numbers[0]), &z, &s, &f);
        c.numbers[1] = z;
        c.numbers[2] = s;
        c.numbers[3] = f;
        return r;
    });
    // An answerer that cancels hands back nothing, whatever it did to the call.
    if (result == 0)
        return result;
    zeroMode = static_cast<std::int16_t>(call.numbers.value(1, zeroMode));
    shift = static_cast<std::int16_t>(call.numbers.value(2, shift));
    fillZero = static_cast<std::int16_t>(call.numbers.value(3, fillZero));
    return result;
}

void Call_dlg110(QWidget* owner, std::int32_t flag, const QString& text)
{
    SeamCall call{QStringLiteral("Call_dlg110"), {}, text, 0, {flag}, {}};
    pass(call, [owner](SeamCall& c) {
        QByteArray buffer = terminated(Cp932::encodeOrThrow(c.text));
        return ::Call_dlg110(owner, c.numbers[0], buffer.data());
    });
}

QString pickPath(const std::function<std::int32_t(char*, std::int32_t)>& picker)
{
    QByteArray buffer(PathBufferSize, '\0');
    const std::int32_t length = picker(buffer.data(), PathBufferSize);
    if (length >= PathBufferSize) {
        // The user did choose: a silent empty answer would read as a cancel.
        MsgBox(QStringLiteral("選択したパスが長すぎるため使用できません（%1 バイト）。\r\n"
                              "%2 バイト以内のパスにあるものを選択してください。")
                   .arg(length)
                   .arg(PathBufferSize - 1),
               vbExclamation);
        return {};
    }
    if (length <= 0)
        return {};
    return Cp932::decodeOrThrow(buffer.left(length));
}

QString KelFileDlg(QWidget* owner, std::int32_t flags, const QString& filter, const QString& initial,
                   const QString& title)
{
    SeamCall call{QStringLiteral("KelFileDlg"), title, filter, 0, {flags}, {initial}};
    const std::int32_t result = pass(call, [owner](SeamCall& c) {
        const QByteArray filterBytes = Cp932::encodeOrThrow(c.text) + QByteArray(2, '\0');
        const QByteArray start = terminated(Cp932::encodeOrThrow(c.texts.value(0)));
        const QByteArray caption = terminated(Cp932::encodeOrThrow(c.title));
        c.texts = QStringList{pickPath([&](char* buffer, std::int32_t size) {
            return ::KelFileDlg(owner, c.numbers.value(0), filterBytes.constData(), start.constData(),
                                caption.constData(), buffer, size);
        })};
        return c.texts.constFirst().isEmpty() ? 0 : 1;
    });
    return result == 0 ? QString() : call.texts.value(0);
}

QString KelFolderDlg(QWidget* owner, const QString& title)
{
    SeamCall call{QStringLiteral("KelFolderDlg"), title, {}, 0, {}, {QString()}};
    const std::int32_t result = pass(call, [owner](SeamCall& c) {
        const QByteArray caption = terminated(Cp932::encodeOrThrow(c.title));
        c.texts = QStringList{pickPath([&](char* buffer, std::int32_t size) {
            return ::KelFolderDlg(owner, caption.constData(), buffer, size);
        })};
        return c.texts.constFirst().isEmpty() ? 0 : 1;
    });
    return result == 0 ? QString() : call.texts.value(0);
}

std::int32_t KelChooseColor(QWidget* owner, std::int32_t& colour, std::array<std::int32_t, 17>& custColors)
{
    SeamCall call{QStringLiteral("KelChooseColor"), {}, {}, 0, {colour}, {}};
    call.numbers.append(QList<std::int32_t>(custColors.begin(), custColors.end()));
    const std::int32_t result = pass(call, [owner](SeamCall& c) {
        std::int32_t chosen = c.numbers[0];
        std::array<std::int32_t, 17> table{};
        std::copy(c.numbers.cbegin() + 1, c.numbers.cend(), table.begin());
        const std::int32_t r = ::KelChooseColor(owner, &chosen, table.data());
        c.numbers = QList<std::int32_t>{chosen} + QList<std::int32_t>(table.begin(), table.end());
        return r;
    });
    if (result == 0)
        return result;
    colour = call.numbers.value(0, colour);
    for (std::size_t i = 0; i < custColors.size(); ++i)
        custColors[i] = call.numbers.value(static_cast<qsizetype>(i) + 1, custColors[i]);
    return result;
}

std::int32_t Call_dlg111(QWidget* owner, MrvDate& record)
{
    std::int16_t* const fields[] = {&record.year,   &record.month,  &record.dayOfWeek, &record.day,
                                    &record.hour,   &record.minute, &record.second,    &record.millisecond};
    SeamCall call{QStringLiteral("Call_dlg111"), {}, {}, 0, {}, {}};
    for (const std::int16_t* f : fields)
        call.numbers.append(*f);
    const std::int32_t result = pass(call, [owner](SeamCall& c) {
        MrvDate d{};
        std::int16_t* const out[] = {&d.year, &d.month, &d.dayOfWeek, &d.day, &d.hour, &d.minute, &d.second, &d.millisecond};
        for (int i = 0; i < 8; ++i)
            *out[i] = static_cast<std::int16_t>(c.numbers[i]);
        const std::int32_t r = ::Call_dlg111(owner, &d);
        for (int i = 0; i < 8; ++i)
            c.numbers[i] = *out[i];
        return r;
    });
    if (result == 0)
        return result;
    for (int i = 0; i < 8; ++i)
        *fields[i] = static_cast<std::int16_t>(call.numbers.value(i, *fields[i]));
    return result;
}

bool GetVersionExA(OSVERSIONINFO& info)
{
    if (info.dwOSVersionInfoSize < 148)
        return false;
    info.dwMajorVersion = 10;
    info.dwMinorVersion = 0;
    info.dwBuildNumber = 0;
    info.dwPlatformId = VER_PLATFORM_WIN32_NT;
    info.szCSDVersion[0] = '\0';
    return true;
}

} // namespace ApiLib
