#include "HeapInUse.h"
#include "RouteFixture.h"
#include "Seam.h"
#include "board/Form1.h"
#include "controls/ChimeiCtl_A.h"
#include "controls/M_Degit.h"
#include "options/ColorButton.h"
#include "options/frmOption.h"
#include "panel/DataIo.h"
#include "panel/DigitWheel.h"
#include "panel/frmCtl.h"
#include "sound/AudioOutput.h"
#include "speech/EspeakSpeech.h"
#include "speech/mdlM_Tape.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <ostream>
#include <vector>

namespace {

// A trainer's day is some 100,000 steps; a control that keeps even a few
// hundred bytes per paint grows the program by tens of megabytes. Each case
// repeats what a user does to one painted control, first until every cache
// a first paint fills is full, then in rounds, and allows a round what a
// handful of bytes per repetition would leave. A leak grows the heap in
// every round; the median round counts, so that a once-only change (the
// pixmap cache sheds old entries on a timer) cannot decide.
constexpr int kWarmUp = 200;
constexpr int kRepeats = 300;
constexpr int kRounds = 5;
constexpr long kAllowedBytes = 16 * kRepeats;

class PaintMemory;

// One thing a user does to a painted control, the n-th time.
struct Case
{
    const char* name;
    std::function<void(PaintMemory&, int)> once;
};

void PrintTo(const Case& c, std::ostream* out)
{
    *out << c.name;
}

// The board, its panel and the options dialog, all shown, with a short route
// set on the panel and every message answered.
class PaintMemory : public testing::TestWithParam<Case>
{
public:
    void SetUp() override
    {
        RouteFixture::resetRouteState();
        board.show();
        ctl = board.ctl();
        options = board.option();
        options->show();
        ApiLib::setSleeper([](int) {});
        RouteFixture::writeFile(dir, QStringLiteral("12.hy3"), Hy3File::write(stops()));
        options->Text2[0]->setText(dir.path());
        options->chkUseSeiriPrev->setChecked(true);
        options->txtSeiriPlgDir->setText(QStringLiteral(SAMPLE_PLUGINS "/hibari-plain.4SP"));
        QTest::mouseClick(ctl->Check4, Qt::LeftButton); // the ticket preview in view
        for (int key : {10, 1, 2, 11, 1})
            QTest::mouseClick(ctl->CommandButton1[static_cast<size_t>(key)], Qt::LeftButton);
        QTest::mouseClick(ctl->Command1[1], Qt::LeftButton);
        ASSERT_TRUE(ctl->Command2[1]->isEnabled()) << "the route is set";
        // The sound device with its soundfont and the voice with its
        // dictionary load on threads of their own once asked for: some
        // twenty megabytes, loaded before anything is measured.
        AudioOutput::instance().available();
        if (auto* voice = dynamic_cast<EspeakSpeech*>(mdlM_Tape::objSpeech.get()))
            voice->waitLoaded();
        waitForQuietHeap();
    }
    void TearDown() override { ApiLib::setSleeper({}); }

    // The soundfont loads after the device counts as ready, at a low
    // priority, and nothing says when it is done: its allocations ending do.
    static void waitForQuietHeap()
    {
        constexpr long kQuiet = 16 * 1024;
        QElapsedTimer clock;
        clock.start();
        long last = static_cast<long>(HeapInUse::bytes());
        for (int quietFor = 0; quietFor < 5 && clock.elapsed() < 30'000;) {
            QTest::qWait(100);
            const long now = static_cast<long>(HeapInUse::bytes());
            quietFor = std::abs(now - last) < kQuiet ? quietFor + 1 : 0;
            last = now;
        }
    }

    // Names of one to eight characters, so the column both stands and scrolls.
    static std::vector<Hy3File::Record> stops()
    {
        std::vector<Hy3File::Record> records = RouteFixture::route(6);
        const char* names[] = {"駅", "市役所前", "地下鉄大通駅", "市民病院前三丁目", "ニュータウン中央", "北部営業所"};
        for (size_t i = 0; i < records.size(); ++i)
            records[i].Chimei = QString::fromUtf8(names[i]);
        return records;
    }

    QTemporaryDir dir;
    SeamRecorder answers;
    Form1 board;
    frmCtl* ctl = nullptr;
    frmOption* options = nullptr;
};

const Case kCases[] = {
    // The caption buttons: the keypad's grey digit and yellow word keys ...
    {"KeypadKeys", [](PaintMemory& t, int n) { QTest::mouseClick(t.ctl->CommandButton1[n % 2 ? 1 : 10], Qt::LeftButton); }},
    // ... and データ送り and データ戻し, stepping the route back and forth.
    {"StepButtons",
     [](PaintMemory& t, int n) {
         const bool forward = (n / (DataIo::nStoredRows - 1)) % 2 == 0;
         QTest::mouseClick(t.ctl->Command2[forward ? 1 : 0], Qt::LeftButton);
     }},
    {"DigitWheels",
     [](PaintMemory& t, int n) {
         DigitWheel* wheel = t.ctl->List2[static_cast<size_t>(n % 5)];
         const int y = (n / 5) % 2 ? 2 : wheel->viewport()->height() - 2;
         QTest::mouseClick(wheel->viewport(), Qt::LeftButton, {}, QPoint(5, y));
     }},
    {"ColorButtons",
     [](PaintMemory& t, int n) {
         ColorButton* button = t.options->Command5[static_cast<size_t>(n % 3)];
         button->setBackColor(n % 2 ? 0x0000FF : 0x00FF00);
         button->repaint();
     }},
    {"FareCells",
     [](PaintMemory& t, int n) {
         M_Degit* cell = t.board.Degit[static_cast<size_t>(1 + n % 36)];
         cell->setValue(n % 1000);
         cell->repaint();
     }},
    {"StopNameColumn",
     [](PaintMemory& t, int n) {
         t.board.ChimeiCtl->SetChimei(DataIo::Row(1 + n % DataIo::nStoredRows).Chimei);
         t.board.ChimeiCtl->ScrollTick();
         t.board.ChimeiCtl->repaint();
     }},
    // The display of a row, with the ticket drawn by the plug-in.
    {"TicketPreview",
     [](PaintMemory& t, int n) {
         t.ctl->DispData(1 + n % DataIo::nStoredRows);
         t.ctl->picSeirikenPrev->repaint();
     }},
};

TEST_P(PaintMemory, RepeatedPaintsKeepNoMemory)
{
    const Case& c = GetParam();
    int n = 0;
    for (; n < kWarmUp; ++n)
        c.once(*this, n);
    std::vector<long> grown;
    for (int round = 0; round < kRounds; ++round) {
        QCoreApplication::processEvents();
        const long before = static_cast<long>(HeapInUse::bytes());
        for (const int end = n + kRepeats; n < end; ++n)
            c.once(*this, n);
        QCoreApplication::processEvents();
        grown.push_back(static_cast<long>(HeapInUse::bytes()) - before);
    }
    std::sort(grown.begin(), grown.end());
    const long median = grown[kRounds / 2];
    EXPECT_LT(median, kAllowedBytes) << median / kRepeats << " bytes kept per repetition";
}

INSTANTIATE_TEST_SUITE_P(EveryPaintedControl, PaintMemory, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

} // namespace
