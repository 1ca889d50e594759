#pragma once

#include "board/BoardLayout.h"
#include "board/ClockTimer.h"

#include <QPixmap>
#include <QPoint>
#include <QPointer>
#include <QTime>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class ChimeiCtl_A;
class M_Degit;
class frmCtl;
class frmOption;
class QLabel;

// The fare display board: a borderless, round-cornered picture of the board
// with 36 fare cells, the hidden clock cells and the ticket-number labels.
// It is the start-up window; after start-up it is written to from outside.
class Form1 : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(Form1)

public:
    struct ImageHolder
    {
        QPixmap Picture;
    };

    explicit Form1(QWidget* parent = nullptr);
    ~Form1() override;

    // The program's run once the application object exists: shows the board,
    // whose load brings up everything else, calls shown, lets the sound and
    // speech loaders go and calls up once the board and the panel have
    // painted, and returns the exit status.
    static int runProgram(const std::function<void()>& shown = {}, const std::function<void()>& up = {});

    // The operation panel and the options dialog that the start-up creates;
    // null before it has run.
    frmCtl* ctl() const { return m_ctl.get(); }
    frmOption* option() const { return m_option.get(); }

    // The start-up sequence; runs once, before the board is first shown.
    void Form_Load();

    void GetFormInfo();
    void SetFormInfo();
    void DeleteRgn();

    // The face shown under the cells.
    const QPixmap& Picture() const { return m_picture; }
    void setPicture(const QPixmap& picture);

    void Timer1_Timer();
    void Degit_DblClick(int Index);

    // The window that is disabled while a cell's options dialog is open.
    void setOperationPanel(QWidget* panel) { m_panel = panel; }
    // Where the clock reads the time (tests set a fixed time).
    void setTimeSource(std::function<QTime()> now) { m_now = std::move(now); }

    // The board's rounded shape for a client area of the given size.
    static QRegion shapeRegion(const QSize& client);

    // The board the window is laid out as: the twelve-ticket board (the
    // default) or the thirty-six-ticket board, whose window is wider and
    // whose number labels and page indicator are on the face. Switching
    // moves and sizes the cells and labels, reshapes the window, puts the
    // layout's built-in faces in imgRes and shows the first page; a built-in
    // face on show becomes the same state's face of the new layout. The
    // colours and captions that the options apply are the caller's to apply
    // again (SetProp).
    BoardLayout boardLayout() const { return m_layout; }
    void setBoardLayout(BoardLayout layout);

    // The page of tickets on show on the thirty-six-ticket board (0 for
    // tickets 1 to 36); a new page writes its numbers into the labels in the
    // numbering style last given to SeirikenNumSet.
    int ticketPage() const { return m_page; }
    void setTicketPage(int page);

    // The colour of the ticket numbers: the labels and the page indicator.
    void setNumberColour(std::int32_t colour);

    // The numbering style and zero padding the labels were last written in.
    struct Numbering
    {
        int nStyle = 0;
        int nZeroPad = 0;
    };
    Numbering numbering;

    std::array<M_Degit*, 37> Degit{};
    std::array<M_Degit*, 2> TimeDegit{};
    std::array<QLabel*, 37> lblSeiriNum{};
    // Which tickets are on show, "1～36"; only on the thirty-six-ticket board.
    QLabel* lblPage = nullptr;
    std::array<ImageHolder, 3> imgRes{};
    ChimeiCtl_A* ChimeiCtl = nullptr;
    ClockTimer* Timer1 = nullptr;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void createCells();
    void createClock();
    void createNumberLabels();
    void placeNumberLabels();
    void loadFaces();

    // The options dialog outlives the panel, which reads its controls.
    std::unique_ptr<frmOption> m_option;
    std::unique_ptr<frmCtl> m_ctl;
    QPixmap m_picture;
    QPointer<QWidget> m_panel;
    std::function<QTime()> m_now = [] { return QTime::currentTime(); };
    std::optional<QPoint> m_dragOffset;
    bool m_loaded = false;
    BoardLayout m_layout = BoardLayout::Tickets12;
    int m_page = 0;
};
