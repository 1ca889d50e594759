#include "panel/frmCtl.h"

#include "board/Form1.h"
#include "board/TicketPages.h"
#include "controls/ChimeiCtl_A.h"
#include "controls/M_Degit.h"
#include "options/ColorButton.h"
#include "options/frmOption.h"
#include "panel/CaptionButton.h"
#include "panel/DataIo.h"
#include "panel/DigitWheel.h"
#include "platform/ApiLib.h"
#include "platform/FontSubst.h"
#include "platform/Twips.h"
#include "platform/mdlSeiriken.h"
#include "sound/AudioOutput.h"
#include "speech/mdlM_Tape.h"
#include "sound/mdlSndAPI.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDate>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTime>
#include <QTimer>

#include <span>

namespace {

// Design positions are in twips; the widgets are placed in pixels.
QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(Twips::toPixels(left), Twips::toPixels(top), Twips::toPixels(width), Twips::toPixels(height));
}

template <typename W>
W* place(W* widget, int left, int top, int width, int height)
{
    widget->setGeometry(twipsRect(left, top, width, height));
    return widget;
}

// The faces of the keypad's digit keys, and of its word keys and the step
// buttons.
const QColor kGreyKey(0xE0, 0xE0, 0xE0);
const QColor kYellowKey(0xFF, 0xFF, 0x00);

QString colourStyle(const char* widget, const char* background, const char* text = "#000000")
{
    return QStringLiteral("%1 { background-color: %2; color: %3; }")
        .arg(QLatin1String(widget), QLatin1String(background), QLatin1String(text));
}

QFont makeFont(const QString& family, double points, bool bold = false)
{
    QFont f(family);
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

// The two entry panels lie on top of each other; the front one hides the other.
QFrame* entryPanel(QWidget* parent)
{
    auto* frame = place(new QFrame(parent), 30, -60, 1995, 2625);
    frame->setFrameShape(QFrame::Box);
    frame->setAutoFillBackground(true);
    return frame;
}

const QString kMissingRoute = QStringLiteral("指定した系統のデータがありません...");
const QString kNoData = QStringLiteral("指定した系統はデータの数が0(未登録)の可能性があります...");
const QString kSectionTooLarge =
    QStringLiteral("指定した区間はデータの数よりも多いです...\r\n  解決法：正しい区間を入力して下さい.");
const QString kBadLayout = QStringLiteral("指定した系統のデータの末尾にある運賃表示器の指定が壊れています...\r\n"
                                          "  解決法：運賃データを作り直して下さい.");

constexpr int kLampTestMs = 3000;

// The stop names of the route just loaded that held bytes no character
// stands for, told the way the route setting tells its other findings.
QString undecodableNamesNote(const std::vector<int>& rows)
{
    constexpr std::size_t kShown = 10;
    QStringList named;
    for (std::size_t i = 0; i < rows.size() && i < kShown; ++i)
        named << QStringLiteral("%1 件目「%2」").arg(rows[i]).arg(DataIo::Row(rows[i]).Chimei);
    if (rows.size() > kShown)
        named << QStringLiteral("ほか %1 件").arg(rows.size() - kShown);
    return QStringLiteral("指定した系統のデータに、読めない文字のある停留所名があります...\r\n"
                          "  該当：%1\r\n"
                          "  読めない文字は〓で表示します.")
        .arg(named.join(QStringLiteral("、")));
}

} // namespace

frmCtl::frmCtl(Form1& board, frmOption& options, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_board(board)
    , m_options(options)
{
    setWindowTitle(QStringLiteral("集中操作盤"));
    setObjectName(QStringLiteral("frmCtl"));
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    black.setColor(QPalette::WindowText, Qt::white);
    setPalette(black);
    setFont(makeFont(FontSubst::PGothic, 9));
    setFixedSize(ClosedWidth, Twips::toPixels(2595));

    createWheelPanel();
    createKeypadPanel();
    createSwitches();
    createPreviewPane();
    createPageTimer();
    connectHandlers();
    Form_Load();
}

void frmCtl::Form_Load()
{
    m_board.setWindowTitle(QStringLiteral("ミラゼルアプリケーション - 型番:") + ApiLib::ExeName());
    for (int i = 0; i < 12; ++i) {
        // Rounded key tops, two pixels in from each edge of the key.
        QPainterPath path;
        path.addRoundedRect(QRectF(2, 2, 26, 23), 1, 1);
        hKeyRgn[static_cast<size_t>(i)] = QRegion(path.toFillPolygon().toPolygon());
        CommandButton1[static_cast<size_t>(i)]->setMask(hKeyRgn[static_cast<size_t>(i)]);
    }
    mdlM_Tape::InitSpeech();
    showSpeechState();
    tellIfSilent();
}

// The tape group offers the tape once the speech engine is there; its
// buttons wait for a route's tape.
void frmCtl::showSpeechState()
{
    const bool usable = mdlM_Tape::bSpeechOK != 0;
    grpM_Tape->setTitle(usable ? QStringLiteral("音合使用可") : QStringLiteral("音合使用不可"));
    grpM_Tape->setEnabled(usable);
}

// A route without a tape switches the group off, silently.
void frmCtl::loadTape(const QString& tpDir)
{
    if (!mdlM_Tape::LoadTape(tpDir, DataIo::RouteNumber(DataIo::strKeito))) {
        grpM_Tape->setEnabled(false);
        return;
    }
    if (mdlM_Tape::bSpeechOK != -1)
        return;
    grpM_Tape->setEnabled(true);
    for (QPushButton* button : {cmdTapeNext, cmdTapeBack, cmdTapeStop, cmdTapeSet})
        button->setEnabled(true);
}

// Without a sound device the simulator runs on silently; it says so once,
// in a note that does not hold up the start-up: the device is tried on a
// thread of its own, and the note comes when that is over.
void frmCtl::tellIfSilent()
{
    QPointer<frmCtl> panel(this);
    AudioOutput::instance().whenReady([panel] {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [panel] {
                const AudioOutput& out = AudioOutput::instance();
                if (!panel || out.available())
                    return;
                QMessageBox* note = ApiLib::Note(
                    QStringLiteral("サウンドデバイスを開けないため、音は鳴りません。\r\n(%1)").arg(out.reason()),
                    ApiLib::vbOKOnly | ApiLib::vbInformation, panel);
                if (note)
                    note->setObjectName(QStringLiteral("noSoundNote"));
            },
            Qt::QueuedConnection);
    });
}

frmCtl::~frmCtl()
{
    // The voice writes into the program's audio output, which lives in a
    // function-local static; the engine in its module-level holder would
    // otherwise be destroyed after it, at exit.
    ApiLib::ReleaseSpeech();
}

bool frmCtl::Form_QueryUnload()
{
    if (ApiLib::MsgBox(QStringLiteral("ミラゼルアプリを終了しますか？"), ApiLib::vbYesNo | ApiLib::vbQuestion,
                       QStringLiteral("ミラゼルアプリの終了確認"))
        != ApiLib::vbYes)
        return false;
    // The order of shut-down: column, shape, sounds, voice, settings, end.
    m_board.ChimeiCtl->SetChimei(QString());
    m_board.DeleteRgn();
    mdlSndAPI::CloseAllSnd();
    ApiLib::ReleaseSpeech();
    if (m_save)
        m_save();
    if (m_quit)
        m_quit();
    else
        QCoreApplication::exit(0);
    return true;
}

void frmCtl::closeEvent(QCloseEvent* event)
{
    bool ending = false;
    ApiLib::guarded([this, &ending] { ending = Form_QueryUnload(); });
    if (ending)
        event->accept();
    else
        event->ignore();
}

// The dialog edits the live settings; the column restarts afterwards so that
// a changed look or speed shows with the current stop.
void frmCtl::Command4_Click()
{
    m_board.setEnabled(false);
    setEnabled(false);
    ApiLib::SeamCall call{QStringLiteral("frmOption"), m_options.windowTitle(), {}, 0, {}, {}};
    ApiLib::ShowModal(call, [this](ApiLib::SeamCall&) { return m_options.exec(); });
    m_board.setEnabled(true);
    setEnabled(true);
    m_board.ChimeiCtl->SetChimei(QString());
    showName(DataIo::CurrentRow().Chimei);
}

void frmCtl::Command8_Click()
{
    // The voices are licensed on condition that they are credited.
    const QString text = QStringLiteral("型番：%1\r\nバージョン：%2\r\n\r\n%3\r\n%4\r\n\r\n%5\r\n")
                             .arg(ApiLib::ExeName(), QStringLiteral(APP_VERSION),
                                  QStringLiteral("運賃表示器シミュレーター"),
                                  QStringLiteral("停名表示には東雲フォント、IPAフォントを使用しています。"),
                                  QStringLiteral(
                                      "放送の声には Open JTalk と次の HTS voice を使用しています。\r\n"
                                      "・Mei (MMDAgent Project Team)\r\n"
                                      "　Copyright (c) 2009-2013 Nagoya Institute of Technology\r\n"
                                      "・NIT ATR503 M001 (HTS Working Group)\r\n"
                                      "　Copyright (c) 2003-2012 Nagoya Institute of Technology,\r\n"
                                      "　2003-2008 Tokyo Institute of Technology\r\n"
                                      "いずれも Creative Commons Attribution 3.0 (CC BY 3.0) の下で\r\n"
                                      "提供されています: http://creativecommons.org/licenses/by/3.0/"));
    m_board.setEnabled(false);
    const auto enableAgain = qScopeGuard([this] { m_board.setEnabled(true); });
    ApiLib::Call_dlg110(this, 1, text);
}

void frmCtl::Check4_Click()
{
    const bool open = Check4->isChecked();
    setFixedSize(open ? OpenWidth : ClosedWidth, height());
    Check4->setText(open ? QStringLiteral("<<") : QStringLiteral(">>"));
    Check4->setToolTip(open ? QStringLiteral("整理券プレビューを隠します") : QStringLiteral("整理券プレビューを開きます"));
}

// Before the first display the preview is the white pane it starts as.
void frmCtl::MnuHideCopy_Click()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setImage(m_preview);
}

void frmCtl::createWheelPanel()
{
    auto* frame = entryPanel(this);
    frame->setObjectName(QStringLiteral("Frame1_0"));
    Frame1[0] = frame;

    auto whiteOnBlack = [](QLabel* label) {
        label->setStyleSheet(colourStyle("QLabel", "#000000", "#FFFFFF"));
        label->setAlignment(Qt::AlignCenter);
        return label;
    };
    Label5 = place(whiteOnBlack(new QLabel(QStringLiteral("系統設定"), frame)), 225, 255, 1530, 375);
    Label6 = place(whiteOnBlack(new QLabel(QStringLiteral("系　統"), frame)), 240, 705, 705, 240);
    Label7 = place(whiteOnBlack(new QLabel(QStringLiteral("区間"), frame)), 1425, 705, 360, 240);
    // Each route wheel lies partly under the next, so only its digit shows.
    const int routeLefts[5] = {90, 285, 480, 675, 870};
    for (int i = 0; i < 5; ++i)
        List2[i] = place(new DigitWheel(frame), routeLefts[i], 915, 465, 315);
    Picture1 = place(new QLabel(frame), 1065, 825, 165, 465);
    const int sectionLefts[3] = {1230, 1470, 1710};
    for (int i = 0; i < 3; ++i)
        List3[i] = place(new DigitWheel(frame), sectionLefts[i], 915, 225, 315);
    Command1[0] = place(new CaptionButton(QStringLiteral("リセット"), frame), 105, 1455, 1845, 315);
}

void frmCtl::createKeypadPanel()
{
    auto* frame = entryPanel(this);
    frame->setObjectName(QStringLiteral("Frame1_1"));
    Frame1[1] = frame;

    Label9 = place(new QLabel(frame), 255, 165, 1545, 330);
    const QFont display = makeFont(FontSubst::Gothic, 14.25);
    const QString displayStyle = colourStyle("QLabel", "#000000", "#FF8000");
    const int displayLefts[3] = {225, 1125, 1290};
    const QSize displaySizes[3] = {{810, 315}, {150, 150}, {465, 270}};
    for (int i = 0; i < 3; ++i) {
        Label2[i] = place(new QLabel(i == 1 ? QStringLiteral("-") : QString(), frame), displayLefts[i], 180,
                          displaySizes[i].width(), displaySizes[i].height());
        Label2[i]->setFont(display);
        Label2[i]->setStyleSheet(displayStyle);
        Label2[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }

    // Calculator layout: 7 8 9 / 4 5 6 / 1 2 3 / 0 系統 区間.
    const int lefts[3] = {330, 810, 1290};
    const int rows[4][3] = {{7, 8, 9}, {4, 5, 6}, {1, 2, 3}, {0, 10, 11}};
    const int tops[4] = {570, 975, 1395, 1815};
    const QFont digits = makeFont(FontSubst::PGothic, 15.75, true);
    const QFont words = makeFont(FontSubst::Gothic, 8.25);
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 3; ++c) {
            const int index = rows[r][c];
            const bool word = index >= 10;
            const QString caption = index == 10 ? QStringLiteral("系統")
                : index == 11                   ? QStringLiteral("区間")
                                                : QString::number(index);
            auto* key = place(new CaptionButton(caption, frame), lefts[c], tops[r], 450, index == 0 ? 405 : 390);
            key->setFont(word ? words : digits);
            key->setColors(word ? kYellowKey : kGreyKey, Qt::black);
            CommandButton1[index] = key;
        }
    }
    Command1[1] = place(new CaptionButton(QStringLiteral("リセット"), frame), 330, 2250, 1380, 315);
}

void frmCtl::createSwitches()
{
    Check1 = place(new QCheckBox(QStringLiteral("表示消去"), this), 2130, 75, 1275, 375);
    Check1->setEnabled(false);

    auto* back = place(new CaptionButton(QStringLiteral("データ戻し"), this), 2070, 495, 645, 750);
    auto* next = place(new CaptionButton(QStringLiteral("データ送り"), this), 2730, 495, 690, 750);
    for (CaptionButton* button : {back, next}) {
        button->setColors(kYellowKey, Qt::black);
        button->setEnabled(false);
    }
    Command2 = {back, next};

    // The tape buttons come alive once a tape is loaded with a working voice.
    grpM_Tape = place(new QGroupBox(QStringLiteral("音合使用不可"), this), 2085, 1260, 1290, 1275);
    grpM_Tape->setEnabled(false);
    cmdTapeBack = place(new CaptionButton(QStringLiteral("戻し"), grpM_Tape), 75, 225, 585, 690);
    cmdTapeNext = place(new CaptionButton(QStringLiteral("送り"), grpM_Tape), 660, 225, 570, 690);
    cmdTapeStop = place(new CaptionButton(QStringLiteral("■"), grpM_Tape), 75, 930, 585, 300);
    cmdTapeSet = place(new CaptionButton(QStringLiteral("調整"), grpM_Tape), 660, 930, 570, 300);
    for (QPushButton* button : {cmdTapeBack, cmdTapeNext, cmdTapeStop, cmdTapeSet})
        button->setEnabled(false);

    Frame2 = place(new QGroupBox(QStringLiteral("バックライト"), this), 3465, 60, 1695, 720);
    const char* states[3] = {"OFF", "ON1", "ON2"};
    const int stateLefts[3] = {75, 615, 1140};
    for (int i = 0; i < 3; ++i) {
        Option4[i] = place(new QRadioButton(QString::fromLatin1(states[i]), Frame2), stateLefts[i], 330, 510, 330);
        // A compact indicator leaves the narrow buttons room for their caption.
        Option4[i]->setStyleSheet(QStringLiteral("QRadioButton { spacing: 1px; color: white; }"
                                                 "QRadioButton::indicator { width: 9px; height: 9px; }"));
    }
    Option4[0]->setChecked(true);

    Frame6 = place(new QFrame(this), 3450, 780, 1725, 1410);
    Frame6->setFrameShape(QFrame::Box);
    Label3[0] = place(new QLabel(QStringLiteral("ｽｸﾛｰﾙ速度"), Frame6), 60, 150, 960, 225);
    Label1[0] = place(new QLabel(QStringLiteral("1"), Frame6), 1050, 135, 600, 225);
    HScroll1[0] = place(new QScrollBar(Qt::Horizontal, Frame6), 120, 405, 1440, 180);
    HScroll1[0]->setRange(1, 2000);
    HScroll1[0]->setValue(1);
    Label3[1] = place(new QLabel(QStringLiteral("ｽｸﾛｰﾙ間隔"), Frame6), 60, 645, 960, 225);
    Label1[1] = place(new QLabel(QStringLiteral("0"), Frame6), 1050, 615, 600, 225);
    HScroll1[1] = place(new QScrollBar(Qt::Horizontal, Frame6), 135, 900, 1410, 180);
    HScroll1[1]->setRange(0, 3000);
    HScroll1[1]->setValue(0);
    Check2 = place(new QCheckBox(QStringLiteral("深夜料金"), Frame6), 105, 1125, 1515, 270);

    Command4 = place(new CaptionButton(QStringLiteral("設定..."), this), 3450, 2250, 840, 300);
    Command8 = place(new CaptionButton(QStringLiteral("ﾊﾞｰｼﾞｮﾝ"), this), 4290, 2250, 870, 300);
    Check4 = place(new QCheckBox(QStringLiteral(">>"), this), 4935, 45, 330, 300);
}

void frmCtl::createPreviewPane()
{
    Label4 = place(new QLabel(QStringLiteral("整理券プレビュー"), this), 5370, 135, 1350, 225);
    picSeirikenPrev = place(new QLabel(this), 5415, 390, 3300, 1395);
    picSeirikenPrev->setAutoFillBackground(true);
    QPalette white = picSeirikenPrev->palette();
    white.setColor(QPalette::Window, Qt::white);
    picSeirikenPrev->setPalette(white);
    m_preview = QImage(picSeirikenPrev->size(), QImage::Format_RGB32);
    m_preview.fill(Qt::white);
    Combo1 = place(new QComboBox(this), 5430, 2160, 3000, 300);
}

void frmCtl::createPageTimer()
{
    tmrPage = new QTimer(this);
    tmrPage->setInterval(PageTurnMs);
    connect(tmrPage, &QTimer::timeout, this, [this] { ApiLib::guarded([this] { tmrPage_Timer(); }); });
}

void frmCtl::connectHandlers()
{
    for (int i = 0; i < 2; ++i) {
        connect(Command1[i], &QPushButton::clicked, this, [this, i] { ApiLib::guarded([this, i] { Command1_Click(i); }); });
        connect(Command2[i], &QPushButton::clicked, this, [this, i] { ApiLib::guarded([this, i] { Command2_Click(i); }); });
    }
    for (int i = 0; i < 12; ++i) {
        connect(CommandButton1[i], &QPushButton::clicked, this,
                [this, i] { ApiLib::guarded([this, i] { CommandButton1_Click(i); }); });
    }
    for (int i = 0; i < 5; ++i)
        connect(List2[i], &QListWidget::currentRowChanged, this, [this] { ApiLib::guarded([this] { List2_Click(); }); });
    for (int i = 0; i < 3; ++i)
        connect(List3[i], &QListWidget::currentRowChanged, this, [this] { ApiLib::guarded([this] { List3_Click(); }); });
    for (int i = 0; i < 3; ++i) {
        connect(Option4[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on)
                ApiLib::guarded([this, i] { Option4_Click(i); });
        });
    }
    connect(Check1, &QCheckBox::toggled, this, [this] { ApiLib::guarded([this] { Check1_Click(); }); });
    for (int i = 0; i < 2; ++i) {
        connect(HScroll1[i], &QScrollBar::valueChanged, this, [this, i] { ApiLib::guarded([this, i] { HScroll1_Change(i); }); });
        Frame1[i]->installEventFilter(this);
    }
    connect(Command4, &QPushButton::clicked, this, [this] { ApiLib::guarded([this] { Command4_Click(); }); });
    connect(Command8, &QPushButton::clicked, this, [this] { ApiLib::guarded([this] { Command8_Click(); }); });
    connect(Check4, &QCheckBox::toggled, this, [this] { ApiLib::guarded([this] { Check4_Click(); }); });
    MnuHide = new QMenu(this);
    QAction* copy = MnuHide->addAction(QStringLiteral("コピー(&C)"));
    connect(copy, &QAction::triggered, this, [this] { ApiLib::guarded([this] { MnuHideCopy_Click(); }); });
    picSeirikenPrev->installEventFilter(this);
    connect(cmdTapeSet, &QPushButton::clicked, this, [this] { ApiLib::guarded([this] { cmdTapeSet_Click(); }); });
    connect(cmdTapeStop, &QPushButton::clicked, this, [this] { ApiLib::guarded([this] { cmdTapeStop_Click(); }); });
    connect(cmdTapeNext, &QPushButton::clicked, this, [this] { ApiLib::guarded([this] { cmdTapeNext_Click(); }); });
    connect(cmdTapeBack, &QPushButton::clicked, this, [this] { ApiLib::guarded([this] { cmdTapeBack_Click(); }); });
}

// Keys and route wheels click with the reset sound, section wheels with the
// route-setting sound; none of them waits.
void frmCtl::List2_Click()
{
    mdlSndAPI::PlaySnd(m_options.txtSelectSound[1]->text(), QStringLiteral("S1"), 0, 0);
}

void frmCtl::List3_Click()
{
    mdlSndAPI::PlaySnd(m_options.txtSelectSound[0]->text(), QStringLiteral("S1"), 0, 0);
}

void frmCtl::cmdTapeSet_Click()
{
    mdlM_Tape::TapeAdjust(this);
}

void frmCtl::cmdTapeStop_Click()
{
    mdlM_Tape::StopTape();
}

// A row linked to the fare display steps it as well, after its chime and
// once its speech has started.
void frmCtl::cmdTapeNext_Click()
{
    mdlM_Tape::TapeNext(m_options.tapeChimes());
    if (mdlM_Tape::GetRowStep(mdlM_Tape::GetTapePos()) == 1)
        Command2_Click(1);
}

void frmCtl::cmdTapeBack_Click()
{
    DataIo::TapeBack(m_options.tapeChimes());
    if (mdlM_Tape::GetRowStep(mdlM_Tape::GetTapePos()) == 1)
        Command2_Click(0);
}

namespace {

// The detail of the backlight's error message by error number.
QString pictureErrorDetail(int number)
{
    switch (number) {
    case 7:
    case 28:
    case 51:
        return QStringLiteral("　内部的なエラーです。ハルヴェンへ報告してください。エラー場所：frmCtl.Option4_Click()");
    case 53:
    case 75:
    case 76:
        return QStringLiteral("　画像ファイルが見つからないか、指定している場所が不正です。");
    case 57:
    case 68:
        return QStringLiteral("　デバイスエラーもしくは準備が出来ていません。");
    case 481:
        return QStringLiteral("　指定した画像の内容が不正です。この部分では扱えません。");
    default:
        return {};
    }
}

} // namespace

void frmCtl::Option4_Click(int Index)
{
    const std::int32_t colour = m_options.Command5[static_cast<size_t>(Index)]->BackColor();
    // Which option button says "user image" for OFF, ON1 and ON2.
    const int userSwitch[3] = {6, 2, 5};
    try {
        const bool userImage = m_options.Option3[1]->isChecked()
            && m_options.Option3[static_cast<size_t>(userSwitch[Index])]->isChecked();
        if (!userImage) {
            m_board.setPicture(m_board.imgRes[static_cast<size_t>(Index)].Picture);
        } else {
            const QString file = m_options.txtSelectPanel[static_cast<size_t>(Index)]->text();
            if (ApiLib::FileExists(file))
                m_board.setPicture(ApiLib::LoadPicture(file));
        }
    } catch (const AppError& e) {
        ApiLib::MsgBox(QStringLiteral("エラーです。\r\n\r\nエラーコード：%1%2").arg(e.number()).arg(pictureErrorDetail(e.number())),
                       ApiLib::vbOKOnly | ApiLib::vbCritical, QStringLiteral("エラー"));
    }
    m_board.setNumberColour(colour);
}

void frmCtl::Check1_Click()
{
    const bool clear = Check1->isChecked();
    if (clear) {
        stopPaging();
        showName(QString());
        for (int i = 1; i <= 36; ++i)
            m_board.Degit[i]->ResetDegit(0);
        m_board.Timer1->stop();
        m_board.TimeDegit[0]->setValue(QString());
        m_board.TimeDegit[1]->setValue(QString());
    }
    for (QWidget* w : std::initializer_list<QWidget*>{Frame1[0], Frame1[1], Command2[0], Command2[1], Frame6})
        w->setEnabled(!clear);
    if (clear) {
        grpM_Tape->setEnabled(false);
        // A step served while the column was blanked has shown its row's
        // name; its fares are blank now, and nothing can step any more.
        if (!m_nameOnShow.isEmpty())
            showName(QString());
        return;
    }
    // The clock runs only where the face shows it.
    if (!m_board.TimeDegit[0]->isHidden())
        m_board.Timer1->start();
    grpM_Tape->setEnabled(mdlM_Tape::bSpeechOK != 0);
    DispData(DataIo::nCurIndex + 1);
}

void frmCtl::HScroll1_Change(int Index)
{
    Label1[static_cast<size_t>(Index)]->setText(QString::number(HScroll1[static_cast<size_t>(Index)]->value()));
    m_board.ChimeiCtl->setSpeed(HScroll1[0]->value());
    m_board.ChimeiCtl->setScrollStartWait(HScroll1[1]->value());
}

void frmCtl::Frame1_DblClick(int Index)
{
    nFrame1Back = static_cast<std::int16_t>(Index);
    Frame1[static_cast<size_t>(Index)]->lower();
}

bool frmCtl::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == picSeirikenPrev && event->type() == QEvent::MouseButtonPress
        && static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
        MnuHide->popup(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
        return true;
    }
    if (event->type() == QEvent::MouseButtonDblClick) {
        for (int i = 0; i < 2; ++i) {
            if (watched == Frame1[static_cast<size_t>(i)]) {
                ApiLib::guarded([this, i] { Frame1_DblClick(i); });
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmCtl::CommandButton1_Click(int Index)
{
    mdlSndAPI::PlaySnd(m_options.txtSelectSound[1]->text(), QStringLiteral("S1"), 0, 0);
    if (Index == 10) {
        bKeitoInput = true;
        Label2[0]->clear();
        return;
    }
    if (Index == 11) {
        bKeitoInput = false;
        Label2[2]->clear();
        return;
    }
    QLabel* target = bKeitoInput ? Label2[0] : Label2[2];
    const int limit = bKeitoInput ? 5 : 3;
    if (target->text().size() >= limit)
        return;
    target->setText(target->text() + QString::number(Index));
}

// The order of the steps is the order the route is set in.
void frmCtl::Command1_Click(int Index)
{
    QString keito;
    QString section;
    if (Index == 1) {
        keito = Label2[0]->text();
        section = Label2[2]->text();
    } else {
        for (const DigitWheel* wheel : List2)
            keito += wheel->Text();
        for (const DigitWheel* wheel : List3)
            section += wheel->Text();
    }
    const QString tpDir = ApiLib::withTrailingSeparator(m_options.Text2[1]->text());
    mdlSndAPI::PlaySnd(m_options.txtSelectSound[0]->text(), QStringLiteral("S1"), 0, 0);
    DataIo::strKeito = keito;
    DataIo::nKukan = DataIo::SectionFromText(section);

    // Whatever fails from here on, the program's own error or not, is told
    // in the route setting's own plain box.
    try {
        loadTape(tpDir);
        setRoute();
    } catch (...) {
        ApiLib::MsgBox(AppError::fromCurrentException().description());
    }
}

void frmCtl::setRoute()
{
    const QString hy3Dir = m_options.Text2[0]->text();
    std::vector<int> undecodable;
    switch (DataIo::LoadFareFile(DataIo::FareFilePath(hy3Dir, DataIo::strKeito), &undecodable)) {
    case DataIo::LoadResult::FileMissing:
        ApiLib::MsgBox(kMissingRoute);
        return;
    case DataIo::LoadResult::NoData:
        ApiLib::MsgBox(kNoData);
        return;
    case DataIo::LoadResult::SectionTooLarge:
        ApiLib::MsgBox(kSectionTooLarge);
        return;
    case DataIo::LoadResult::BadLayout:
        ApiLib::MsgBox(kBadLayout);
        return;
    case DataIo::LoadResult::Loaded:
        break;
    }
    // A note the route setting does not wait on: the lamp test and the
    // first stop follow at once.
    if (!undecodable.empty())
        ApiLib::Note(undecodableNamesNote(undecodable), ApiLib::vbOKOnly, this);

    showBoardFor(DataIo::RouteLayout);
    m_board.ChimeiCtl->SetChimei(QStringLiteral("系統設定"));
    lampTest();
    Command2[0]->setEnabled(true);
    Command2[1]->setEnabled(true);
    Check1->setEnabled(true);
    strKeitoDate = m_options.Option4[2]->isChecked() ? m_options.Label10->text()
                                                     : QDate::currentDate().toString(QStringLiteral("MM-dd-yyyy"));
    DispData(DataIo::nCurIndex + 1);
}

// The board takes the layout of the route that is set, with the settings
// the options apply to it, and starts again from its first page; no page
// turns during the lamp test.
void frmCtl::showBoardFor(BoardLayout layout)
{
    stopPaging();
    if (m_board.boardLayout() != layout) {
        m_board.setBoardLayout(layout);
        m_options.SetProp();
    }
    m_board.setTicketPage(0);
}

void frmCtl::lampTest()
{
    for (int i = 1; i <= 36; ++i)
        m_board.Degit[i]->ResetDegit(-1);
    ApiLib::DoEvents();
    ApiLib::Sleep(kLampTestMs);
    for (int i = 1; i <= 36; ++i)
        m_board.Degit[i]->setValue(static_cast<std::int16_t>(0));
}

void frmCtl::Command2_Click(int Index)
{
    if (!DataIo::Step(Index == 0 ? -1 : 1))
        return;
    playStepSound(DataIo::nCurIndex + 1);
    DispData(DataIo::nCurIndex + 1);
}

// The step sound plays before the fares change; played to its end when the
// options ask for it, so the board changes only after it.
void frmCtl::playStepSound(int row)
{
    QString sound;
    if (m_options.Option2[0]->isChecked()) {
        sound = m_options.txtSelectSound[7]->text();
    } else if (m_options.Option2[1]->isChecked()) {
        const int column = m_options.Combo1->currentIndex() + 1;
        const int value = column >= 1 && column <= DataIo::FareColumns
            ? DataIo::Row(row).Fare[static_cast<size_t>(column - 1)]
            : 0;
        if (value >= 1 && value <= 3)
            sound = m_options.txtSelectSound[static_cast<size_t>(7 + value)]->text();
    }
    if (!sound.isEmpty())
        mdlSndAPI::PlaySnd(sound, QStringLiteral("S2"), m_options.Option6[0]->isChecked() ? -1 : 0, 0);
}

void frmCtl::DispData(int nIndex)
{
    const DataIo::FareRecord& row = DataIo::Row(nIndex);
    m_rowOnShow = nIndex;
    m_lateNightOnShow = Check2->isChecked();
    if (m_board.boardLayout() == BoardLayout::Tickets36) {
        m_pages = TicketPages::pagesToShow(std::span(row.Fare), DataIo::nKukan);
        showPage(nIndex, m_pages.front());
        if (m_pages.size() > 1)
            tmrPage->start();
        else
            tmrPage->stop();
    } else {
        for (int i = DataIo::nKukan; i <= 36; ++i) {
            const int v = row.Fare[static_cast<size_t>(i - 1)];
            // Doubled in 32 bits: a fare above 16383 shows its real double.
            m_board.Degit[i]->setValue(m_lateNightOnShow && v != -1 ? 2 * v : v);
        }
    }
    showInformationDigits(nIndex);
    drawTicketPreview(nIndex);
    m_nameOnShow = row.Chimei;
    const quint64 given = m_board.ChimeiCtl->namesGiven();
    ApiLib::DoEvents();
    // A step or a display clear served here has changed the board since and
    // given the column its own name; this row's would stand over another
    // row's fares.
    if (given == m_board.ChimeiCtl->namesGiven())
        showLatestName();
}

// One page of the thirty-six-ticket board: cell k shows the fare of the
// page's k-th ticket. Tickets below the start section are never written,
// as on the twelve-ticket board: their cells keep what they show while the
// page stays, and show the lamp test's 0 again when the page changes. Cells
// past the last ticket stay dark.
void frmCtl::showPage(int nIndex, int page)
{
    const DataIo::FareRecord& row = DataIo::Row(nIndex);
    const bool turning = page != m_board.ticketPage();
    for (int cell = 1; cell <= TicketPages::PerPage; ++cell) {
        const int ticket = TicketPages::ticketAt(page, cell);
        M_Degit* target = m_board.Degit[static_cast<size_t>(cell)];
        if (ticket > TicketPages::LastTicket) {
            target->setValue(QStringLiteral(" "));
        } else if (ticket < DataIo::nKukan) {
            if (turning)
                target->setValue(static_cast<std::int16_t>(0));
        } else {
            const int v = row.Fare[static_cast<size_t>(ticket - 1)];
            target->setValue(m_lateNightOnShow && v != -1 ? 2 * v : v);
        }
    }
    m_board.setTicketPage(page);
}

void frmCtl::tmrPage_Timer()
{
    if (m_pages.size() < 2 || Check1->isChecked()) {
        stopPaging();
        return;
    }
    showPage(m_rowOnShow, TicketPages::nextPage(m_pages, m_board.ticketPage()));
    // The information digits cover the fares of every page.
    showInformationDigits(m_rowOnShow);
}

void frmCtl::stopPaging()
{
    tmrPage->stop();
    m_pages.clear();
}

// A change of the board that shows a name of its own.
void frmCtl::showName(const QString& name)
{
    m_nameOnShow = name;
    showLatestName();
}

// The column lets pending events run as well, before it draws: a display or
// a clear served there gives the column a newer name, so the name of the
// latest change goes again until no other name came in between. The
// column's own count of names is the one guard of these nested passes.
void frmCtl::showLatestName()
{
    for (;;) {
        const quint64 given = m_board.ChimeiCtl->namesGiven();
        m_board.ChimeiCtl->SetChimei(m_nameOnShow);
        if (m_board.ChimeiCtl->namesGiven() == given + 1)
            return;
    }
}

// Each digit is written only when its switch is on, in this order, so a later
// one wins a shared cell; all of them cover the fares. A cell or column list
// with nothing selected shows nothing.
void frmCtl::showInformationDigits(int nIndex)
{
    const DataIo::FareRecord& row = DataIo::Row(nIndex);
    auto cell = [this](int listIndex) -> M_Degit* {
        return listIndex >= 0 && listIndex < 36 ? m_board.Degit[listIndex + 1] : nullptr;
    };
    const auto& o = m_options;
    if (o.Check3[0]->isChecked()) {
        if (M_Degit* target = cell(o.Combo4[0]->currentIndex()))
            target->setValue(o.Check3[4]->isChecked() ? nIndex - 1 : nIndex);
    }
    if (o.Check3[1]->isChecked()) {
        if (M_Degit* target = cell(o.Combo4[1]->currentIndex()))
            target->setValue(row.SeiriNum);
    }
    if (o.Check3[2]->isChecked()) {
        if (M_Degit* target = cell(o.Combo4[2]->currentIndex()))
            target->setValue(DataIo::strKeito);
    }
    if (o.Check3[3]->isChecked()) {
        const int column = o.Combo4[4]->currentIndex() + 1;
        M_Degit* target = cell(o.Combo4[3]->currentIndex());
        if (target && column >= 1 && column <= DataIo::FareColumns)
            target->setValue(row.Fare[static_cast<size_t>(column - 1)]);
    }
}

// The preview is cleared on every display, drawn only when it is in use; the
// plug-in may shorten the stop name, and the row keeps what it hands back.
void frmCtl::drawTicketPreview(int nIndex)
{
    const QString date = TicketDateText();
    m_preview = QImage(picSeirikenPrev->size(), QImage::Format_RGB32);
    m_preview.fill(Qt::white);
    if (m_options.chkUseSeiriPrev->isChecked()) {
        DataIo::FareRecord& row = DataIo::Row(nIndex);
        QPainter painter(&m_preview);
        row.Chimei = mdlSeiriken::Mrv_DrawSeiriken(m_options.txtSeiriPlgDir->text(), painter, row.Chimei, date,
                                                   QTime::currentTime().toString(QStringLiteral("HH:mm:ss")),
                                                   DataIo::RouteNumber(DataIo::strKeito).toInt(), row.SeiriNum,
                                                   static_cast<std::int16_t>(nIndex), Combo1->currentIndex());
    }
    picSeirikenPrev->setPixmap(QPixmap::fromImage(m_preview));
}

QString frmCtl::TicketDateText() const
{
    if (m_options.Option4[1]->isChecked())
        return strKeitoDate;
    if (m_options.Option4[2]->isChecked())
        return m_options.Label10->text();
    return QDate::currentDate().toString(QStringLiteral("MM-dd-yyyy"));
}
