#include "board/Form1.h"

#include "board/BoardFace.h"
#include "board/FirstPaints.h"
#include "board/LoadSaveIni.h"
#include "board/mdl517_000.h"
#include "controls/ChimeiCtl_A.h"
#include "controls/M_Degit.h"
#include "options/frmOption.h"
#include "panel/frmCtl.h"
#include "platform/ApiLib.h"
#include "platform/BackgroundLoad.h"
#include "platform/FontSubst.h"
#include "platform/Twips.h"
#include "platform/VbColor.h"
#include "settings/mdlIniIo_517.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QScopeGuard>
#include <QWindow>

#include <cmath>
#include <cstdio>

namespace {

// Cell grid of the face: one row of large cells and two rows of small cells
// in each of the two blocks of six ticket numbers.
constexpr int kLargeLefts[6] = {129, 191, 254, 315, 378, 440};
constexpr int kSmallLefts[6] = {147, 209, 272, 333, 396, 458};

struct CellRow
{
    int firstIndex;
    int top;
    bool large;
};

constexpr CellRow kCellRows[6] = {
    {1, 49, true}, {13, 79, false}, {25, 100, false}, {7, 143, true}, {19, 173, false}, {31, 193, false},
};

// Design positions of the number labels 1 to 36 (left, top); they lie right
// of the face and are kept current even though the window does not show them.
constexpr int kLabelPos[36][2] = {
    {582, 19}, {639, 19}, {693, 19}, {750, 19}, {808, 19}, {864, 19}, {917, 20}, {974, 20},
    {570, 48}, {625, 48}, {681, 48}, {738, 48}, {795, 48}, {850, 48}, {906, 48}, {963, 48},
    {570, 87}, {626, 87}, {681, 87}, {738, 87}, {796, 87}, {852, 87}, {908, 87}, {965, 87},
    {570, 126}, {626, 126}, {682, 126}, {738, 126}, {796, 126}, {852, 126}, {908, 126}, {965, 126},
    {570, 165}, {626, 165}, {682, 165}, {738, 165},
};

// Where cell index (1 to 36) sits on a layout, and its digit size.
struct CellPlace
{
    QRect rect;
    int degitSize;
};

CellPlace cellPlace(int index, BoardLayout layout)
{
    if (layout == BoardLayout::Tickets36)
        return {BoardFace::Tickets36::cellRect(index), 2};
    for (const CellRow& row : kCellRows) {
        const int k = index - row.firstIndex;
        if (k < 0 || k >= 6)
            continue;
        // The last three large cells of the lower block sit one pixel higher.
        const int top = (index >= 10 && index <= 12) ? row.top - 1 : row.top;
        const int size = row.large ? 2 : 0;
        const M_Degit::Metrics m = M_Degit::metricsFor(size);
        return {QRect(row.large ? kLargeLefts[k] : kSmallLefts[k], top, m.digitWidth * 3, m.digitHeight), size};
    }
    return {};
}

QFont numberFont()
{
    QFont font(FontSubst::DigitFace);
    font.setPointSizeF(12.75);
    font.setBold(true);
    return font;
}

const QVariantMap& largeCellDesign()
{
    static const QVariantMap bag{{QStringLiteral("Keta"), 3}, {QStringLiteral("DegitSize"), 2}};
    return bag;
}

const QVariantMap& smallCellDesign()
{
    static const QVariantMap bag{
        {QStringLiteral("Keta"), 3},
        {QStringLiteral("DegitSize"), 0},
        {QStringLiteral("BaseForeColor"), 0x808080},
        {QStringLiteral("DegitForeColor"), 0x0080FF},
        {QStringLiteral("BackColor"), 0x404040},
    };
    return bag;
}

QString fullWidthNumber(int n)
{
    QString text;
    for (const QChar c : QString::number(n))
        text += QChar(c.unicode() - u'0' + 0xFF10);
    return text;
}

} // namespace

Form1::Form1(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    setWindowTitle(QStringLiteral("Form2"));
    setFixedSize(BoardFace::Width, BoardFace::Height);

    loadFaces();
    m_picture = imgRes[0].Picture;

    createCells();
    createClock();
    createNumberLabels();
    ChimeiCtl = new ChimeiCtl_A(this);
    ChimeiCtl->setGeometry(32, 25, 37, 196);

    Timer1 = new ClockTimer(this);
    Timer1->setInterval(1000);
    connect(Timer1, &ClockTimer::timeout, this, [this] { ApiLib::guarded([this] { Timer1_Timer(); }); });
    for (M_Degit* clock : TimeDegit)
        Timer1->drive(clock);
    Timer1->start();
}

Form1::~Form1() = default;

void Form1::createCells()
{
    for (int i = 0; i <= 36; ++i) {
        Degit[i] = new M_Degit(this);
        connect(Degit[i], &M_Degit::DblClick, this, [this, i] { ApiLib::guarded([this, i] { Degit_DblClick(i); }); });
    }
    Degit[0]->ReadProperties({});
    Degit[0]->setGeometry(140, 2, 52, 20);
    Degit[0]->hide();

    for (int index = 1; index <= 36; ++index) {
        const CellPlace place = cellPlace(index, BoardLayout::Tickets12);
        Degit[index]->ReadProperties(place.degitSize == 2 ? largeCellDesign() : smallCellDesign());
        Degit[index]->setGeometry(place.rect);
    }
}

void Form1::createClock()
{
    const int lefts[2] = {363, 390};
    for (int i = 0; i < 2; ++i) {
        TimeDegit[i] = new M_Degit(this);
        TimeDegit[i]->ReadProperties({{QStringLiteral("Keta"), 2}, {QStringLiteral("DegitSize"), 0}});
        TimeDegit[i]->setGeometry(lefts[i], 2, 26, 20);
        TimeDegit[i]->hide();
    }
}

void Form1::createNumberLabels()
{
    QPalette palette;
    palette.setColor(QPalette::WindowText, VbColor::toQColor(0x008000));
    for (int i = 0; i <= 36; ++i) {
        auto* label = new QLabel(fullWidthNumber(i), this);
        label->setFont(numberFont());
        label->setPalette(palette);
        label->setAlignment(Qt::AlignCenter);
        lblSeiriNum[i] = label;
    }
    lblSeiriNum[0]->setGeometry(79, 3, 52, 16);
    lblSeiriNum[0]->hide();
    placeNumberLabels();

    lblPage = new QLabel(QStringLiteral("1～36"), this);
    lblPage->setObjectName(QStringLiteral("lblPage"));
    lblPage->setFont(numberFont());
    lblPage->setPalette(palette);
    lblPage->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblPage->setGeometry(BoardFace::Tickets36::PageRect);
    lblPage->hide();
}

void Form1::placeNumberLabels()
{
    for (int i = 1; i <= 36; ++i) {
        lblSeiriNum[i]->setGeometry(m_layout == BoardLayout::Tickets36
                                        ? BoardFace::Tickets36::labelRect(i)
                                        : QRect(kLabelPos[i - 1][0], kLabelPos[i - 1][1], 52, 16));
    }
}

// The built-in faces of the layout: white numbers for OFF, green for ON1,
// and ON2 the same as ON1.
void Form1::loadFaces()
{
    const QColor white(Qt::white);
    const QColor green(0x00, 0xD0, 0x40);
    if (m_layout == BoardLayout::Tickets36) {
        imgRes[0].Picture = QPixmap::fromImage(BoardFace::Tickets36::draw(white));
        imgRes[1].Picture = QPixmap::fromImage(BoardFace::Tickets36::draw(green));
    } else {
        imgRes[0].Picture = QPixmap::fromImage(BoardFace::draw(white));
        imgRes[1].Picture = QPixmap::fromImage(BoardFace::draw(green));
    }
}

void Form1::setBoardLayout(BoardLayout layout)
{
    if (layout == m_layout)
        return;
    m_layout = layout;
    for (int i = 1; i <= 36; ++i) {
        const CellPlace place = cellPlace(i, layout);
        Degit[i]->setDegitSize(place.degitSize);
        Degit[i]->setGeometry(place.rect);
    }
    placeNumberLabels();
    lblPage->setVisible(layout == BoardLayout::Tickets36);

    const QSize size = layout == BoardLayout::Tickets36 ? QSize(BoardFace::Tickets36::Width, BoardFace::Tickets36::Height)
                                                        : QSize(BoardFace::Width, BoardFace::Height);
    setFixedSize(size);
    setMask(shapeRegion(size));

    // ON1 and ON2 share a face, so the first match names the state.
    const std::array<qint64, 3> shown{imgRes[0].Picture.cacheKey(), imgRes[1].Picture.cacheKey(),
                                      imgRes[2].Picture.cacheKey()};
    loadFaces();
    imgRes[2].Picture = imgRes[1].Picture;
    for (size_t k = 0; k < shown.size(); ++k) {
        if (m_picture.cacheKey() == shown[k]) {
            m_picture = imgRes[k].Picture;
            break;
        }
    }
    update();
    setTicketPage(0);
}

void Form1::setTicketPage(int page)
{
    if (page == m_page)
        return;
    m_page = page;
    mdl517_000::SeirikenNumSet(*this, numbering.nStyle, numbering.nZeroPad);
}

void Form1::setNumberColour(std::int32_t colour)
{
    QPalette palette = lblSeiriNum[1]->palette();
    palette.setColor(QPalette::WindowText, VbColor::toQColor(colour));
    for (int i = 1; i <= 36; ++i)
        lblSeiriNum[i]->setPalette(palette);
    lblPage->setPalette(palette);
}

int Form1::runProgram(const std::function<void()>& shown, const std::function<void()>& up)
{
    // Qt cannot make a window without a screen and would abort at the first
    // one; say why instead, before any window or setting is touched.
    if (!QGuiApplication::primaryScreen()) {
        std::fprintf(stderr, "%s\n",
                     QStringLiteral("%1: 画面が見つからないため起動できません。表示先のディスプレイ "
                                    "(DISPLAY、QT_QPA_PLATFORM) を確認してください。")
                         .arg(ApiLib::ExeName())
                         .toLocal8Bit()
                         .constData());
        return 1;
    }
    // The sound device, the soundfont and the voice load once the windows
    // are on screen; anything asked of them earlier starts them at once.
    BackgroundLoad::holdUntilShown();
    Form1 board;
    board.show();
    const FirstPaints firstPaints({&board, board.ctl()}, [&up] {
        BackgroundLoad::release();
        if (up)
            up();
    });
    if (shown)
        shown();
    return QApplication::exec();
}

// The order is the start-up order; the steps that other windows take part in
// join here as those windows exist.
void Form1::Form_Load()
{
    if (m_loaded)
        return;
    m_loaded = true;
    mdl517_000::ClearFareCells(*this);
    // The options dialog comes into being at its first use, the presets.
    m_option = std::make_unique<frmOption>();
    mdl517_000::InitPanelDefaults(*this);
    m_ctl = std::make_unique<frmCtl>(*this, *m_option);
    m_option->attach(*this, *m_ctl);
    m_ctl->setSaveAction([this] { mdlIniIo_517::SaveIni(*this, *m_ctl, *m_option); });
    setOperationPanel(m_ctl.get());
    m_ctl->show();
    m_ctl->raise();
    m_ctl->activateWindow();
    move(0, 0);
    // A screen that went away since start-up leaves the panel where it is.
    if (const QScreen* primary = QGuiApplication::primaryScreen()) {
        const QRect screen = primary->availableGeometry();
        const QSize panel = m_ctl->frameGeometry().size();
        m_ctl->move(screen.right() + 1 - panel.width(), screen.bottom() + 1 - panel.height());
    }
    setMask(shapeRegion(rect().size()));
    update();
    mdlIniIo_517::LoadIni(*this, *m_ctl, *m_option);
}

void Form1::GetFormInfo()
{
    mdlIniIo_517::FormInfo.lLeft = Twips::fromPixels(x());
    mdlIniIo_517::FormInfo.lTop = Twips::fromPixels(y());
}

void Form1::SetFormInfo()
{
    move(Twips::toPixels(mdlIniIo_517::FormInfo.lLeft), Twips::toPixels(mdlIniIo_517::FormInfo.lTop));
}

void Form1::DeleteRgn()
{
    // The shape was handed to the window and goes with it; nothing to free,
    // and the board keeps its shape until it closes.
}

void Form1::setPicture(const QPixmap& picture)
{
    m_picture = picture;
    update();
}

void Form1::Timer1_Timer()
{
    const QString now = m_now().toString(QStringLiteral("HH:mm:ss"));
    TimeDegit[0]->setValue(now.mid(0, 2).toDouble());
    TimeDegit[1]->setValue(now.mid(3, 2).toDouble());
}

void Form1::Degit_DblClick(int Index)
{
    if (!Degit[Index]->UserSet())
        return;
    if (m_panel)
        m_panel->setEnabled(false);
    const auto enableAgain = qScopeGuard([this] {
        if (m_panel)
            m_panel->setEnabled(true);
    });
    if (Degit[Index]->ShowSetDlg() != 1)
        return;
    const int zeroMode = Degit[Index]->ZeroMode();
    const int shift = Degit[Index]->Shift();
    const int fillZero = Degit[Index]->FillZero();
    for (int i = 1; i <= 36; ++i) {
        const QVariant shown = Degit[i]->Value();
        Degit[i]->setShift(shift);
        Degit[i]->setFillZero(fillZero);
        Degit[i]->setZeroMode(zeroMode);
        Degit[i]->setValue(shown);
    }
}

QRegion Form1::shapeRegion(const QSize& client)
{
    // A rectangle whose corners are quarter ellipses of 12 x 12 pixels.
    const int w = client.width();
    const int h = client.height();
    const double r = 6.0;
    QRegion region;
    for (int y = 0; y < h; ++y) {
        const double fromEdge = std::min(y + 0.5, h - y - 0.5);
        int inset = 0;
        if (fromEdge < r) {
            const double dy = r - fromEdge;
            inset = static_cast<int>(std::lround(r - std::sqrt(r * r - dy * dy)));
        }
        region += QRect(inset, y, w - 2 * inset, 1);
    }
    return region;
}

void Form1::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    // A user face smaller than the board leaves grey around it.
    p.fillRect(rect(), QColor(0xC0, 0xC0, 0xC0));
    p.drawPixmap(0, 0, m_picture);
}

void Form1::showEvent(QShowEvent* event)
{
    Form_Load();
    QWidget::showEvent(event);
}

void Form1::closeEvent(QCloseEvent* event)
{
    // Only the operation panel ends the program; the board has no close of
    // its own.
    event->ignore();
}

void Form1::mousePressEvent(QMouseEvent* event)
{
    // Only the face itself is a handle; presses on controls never move the board.
    if (event->button() != Qt::LeftButton || childAt(event->position().toPoint())) {
        event->ignore();
        return;
    }
    event->accept();
    if (windowHandle() && windowHandle()->startSystemMove())
        return;
    m_dragOffset = event->globalPosition().toPoint() - pos();
}

void Form1::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragOffset && (event->buttons() & Qt::LeftButton))
        move(event->globalPosition().toPoint() - *m_dragOffset);
}

void Form1::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_dragOffset.reset();
}
