// A whole day at the panel: sets a sample route with the keypad and steps it
// back and forth with simulated clicks, now and then toggling the late-night
// fares, the backlight and the display clear and playing the tape, and
// watches the resident memory. Prints the RSS every 10,000 steps and, once
// past them, the growth per 1,000 steps after the first 10,000; ends with
// status 1 when that growth is above the limit.
//
//   soak [STEPS [SAMPLES_DIR]]   (default 100000 steps, the build's samples)

#include "board/Form1.h"
#include "controls/ChimeiCtl_A.h"
#include "options/frmOption.h"
#include "panel/DataIo.h"
#include "panel/frmCtl.h"
#include "platform/ApiLib.h"
#include "platform/Application.h"
#include "settings/mdlIniIo_517.h"

#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

constexpr long kReportEvery = 10'000;
constexpr long kSettleSteps = 10'000;
// 1 MB over a day of 100,000 steps.
constexpr double kLimitKbPer1000 = 10.0;

// Odd periods, so that the occasional actions meet every stop and each other.
constexpr long kLateNightEvery = 97;
constexpr long kBacklightEvery = 251;
constexpr long kDisplayClearEvery = 499;
constexpr long kTapeEvery = 53;

long residentKb()
{
    long pages = 0;
    long resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "soak: %s\n", what);
    std::exit(2);
}

void click(QAbstractButton* button)
{
    QTest::mouseClick(button, Qt::LeftButton);
}

// The route as a user sets it: 系統, the digits, 区間, the digits, リセット.
void setRoute(frmCtl& panel, const QString& route, const QString& section)
{
    click(panel.CommandButton1[10]);
    for (const QChar digit : route)
        click(panel.CommandButton1[static_cast<size_t>(digit.digitValue())]);
    click(panel.CommandButton1[11]);
    for (const QChar digit : section)
        click(panel.CommandButton1[static_cast<size_t>(digit.digitValue())]);
    click(panel.Command1[1]);
}

void expect(bool holds, const char* what)
{
    if (!holds)
        fail(what);
}

class Soak
{
public:
    Soak(Form1& board, frmCtl& panel)
        : m_board(board)
        , m_panel(panel)
    {
    }

    void step(long n)
    {
        // Back and forth between the two ends of the route.
        const int from = DataIo::nCurIndex;
        if (from >= DataIo::nStoredRows - 1)
            m_forward = false;
        else if (from <= 0)
            m_forward = true;
        click(m_panel.Command2[m_forward ? 1 : 0]);
        expect(DataIo::nCurIndex == from + (m_forward ? 1 : -1), "a step did not move the bus");

        if (n % kLateNightEvery == 0) {
            const bool lateNight = m_panel.Check2->isChecked();
            click(m_panel.Check2);
            expect(m_panel.Check2->isChecked() != lateNight, "深夜料金 did not switch");
            ++m_lateNight;
        }
        if (n % kBacklightEvery == 0) {
            QRadioButton* backlight = m_panel.Option4[static_cast<size_t>(n / kBacklightEvery % 3)];
            click(backlight);
            expect(backlight->isChecked(), "the backlight did not switch");
            ++m_backlight;
        }
        if (n % kDisplayClearEvery == 0) {
            click(m_panel.Check1);
            expect(m_panel.Check1->isChecked(), "表示消去 did not switch on");
            click(m_panel.Check1);
            expect(!m_panel.Check1->isChecked(), "表示消去 did not switch off");
            ++m_displayClear;
        }
        if (n % kTapeEvery == 0 && m_panel.cmdTapeNext->isEnabled()) {
            click(m_forward ? m_panel.cmdTapeNext : m_panel.cmdTapeBack);
            ++m_tape;
        }
        expect(m_board.ChimeiCtl->strChimei == DataIo::CurrentRow().Chimei, "the board does not show the stop");
    }

    void printCounts() const
    {
        std::printf("also %ld late-night, %ld backlight, %ld display-clear switches and %ld tape plays\n", m_lateNight,
                    m_backlight, m_displayClear, m_tape);
    }

private:
    Form1& m_board;
    frmCtl& m_panel;
    bool m_forward = true;
    long m_lateNight = 0;
    long m_backlight = 0;
    long m_displayClear = 0;
    long m_tape = 0;
};

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (!std::getenv("SDL_AUDIODRIVER"))
        setenv("SDL_AUDIODRIVER", "dummy", 1);
    const long steps = argc > 1 ? std::atol(argv[1]) : 100'000;
    if (steps <= 0)
        fail("usage: soak [STEPS [SAMPLES_DIR]]");
    // The user's settings file is neither read nor replaced.
    mdlIniIo_517::setSettingsPath(QString());
    // The offscreen platform tells of what it cannot do for a window (raise
    // it, shape it): no finding of the soak.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& text) {
        if (!text.startsWith(QStringLiteral("This plugin does not support")))
            std::fprintf(stderr, "%s\n", qPrintable(text));
    });
    Application app(argc, argv);
    const QString samples = argc > 2 ? QString::fromLocal8Bit(argv[2])
                                     : QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../samples"));
    const QString plugin = QDir(samples).filePath(QStringLiteral("plugins/hibari-plain.4SP"));
    if (!QFileInfo::exists(QDir(samples).filePath(QStringLiteral("12.hy3"))) || !QFileInfo::exists(plugin))
        fail("no sample route 12 or sample plug-in: give the build's samples folder");

    // Any message would stop a user's day: the soak stops too.
    ApiLib::setAnswerer([](ApiLib::SeamCall& call) -> std::int32_t {
        std::fprintf(stderr, "soak: unexpected %s: %s\n", qPrintable(call.kind), qPrintable(call.text));
        std::exit(2);
    });
    // The lamp test's three seconds are not waited.
    ApiLib::setSleeper([](int) {});

    Form1 board;
    board.show();
    frmCtl& panel = *board.ctl();
    frmOption& options = *board.option();
    if (!QTest::qWaitForWindowExposed(&panel))
        fail("the panel was never shown");
    options.Text2[0]->setText(samples);
    options.Text2[1]->setText(samples);
    options.chkUseSeiriPrev->setChecked(true);
    options.txtSeiriPlgDir->setText(plugin);
    click(panel.Check4);
    setRoute(panel, QStringLiteral("12"), QStringLiteral("1"));
    if (DataIo::strKeito != QStringLiteral("12") || !panel.Command2[1]->isEnabled())
        fail("route 12 could not be set");
    if (!panel.cmdTapeNext->isEnabled())
        std::printf("note: no voice, so the tape is not played\n");

    Soak soak(board, panel);
    QElapsedTimer clock;
    clock.start();
    std::printf("%8s %10s\n", "steps", "RSS (kB)");
    std::printf("%8d %10ld\n", 0, residentKb());
    std::fflush(stdout);
    long settled = 0;
    long last = 0;
    for (long n = 1; n <= steps; ++n) {
        soak.step(n);
        if (n % kReportEvery == 0 || n == steps) {
            last = residentKb();
            if (n == kSettleSteps)
                settled = last;
            std::printf("%8ld %10ld\n", n, last);
            std::fflush(stdout);
        }
    }
    std::printf("%ld steps in %.1f s, the board at %s\n", steps, clock.elapsed() / 1000.0,
                qPrintable(board.ChimeiCtl->strChimei));
    soak.printCounts();
    if (steps <= kSettleSteps) {
        std::printf("growth: needs more than %ld steps\n", kSettleSteps);
        return 0;
    }
    const double perThousand = static_cast<double>(last - settled) * 1000.0 / static_cast<double>(steps - kSettleSteps);
    const bool ok = perThousand <= kLimitKbPer1000;
    std::printf("growth after %ld steps: %.2f kB per 1,000 steps (limit %.0f kB): %s\n", kSettleSteps, perThousand,
                kLimitKbPer1000, ok ? "ok" : "TOO MUCH");
    return ok ? 0 : 1;
}
