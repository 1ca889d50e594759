#pragma once

#include "board/BoardLayout.h"

#include <QImage>
#include <QRegion>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

class DigitWheel;
class Form1;
class frmOption;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QComboBox;
class QMenu;
class QTimer;

// The operation panel ("集中操作盤"): route entry on the keypad or the digit
// wheels, route setting, stepping along the route and the display switches.
class frmCtl : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(frmCtl)

public:
    frmCtl(Form1& board, frmOption& options, QWidget* parent = nullptr);
    // Ends the voice the panel started, whatever way the program ends.
    ~frmCtl() override;

    // The panel's own start-up: the board's caption, the shaped keys, the
    // speech engine.
    void Form_Load();
    // Asks before the program ends; Yes shuts everything down in order.
    // Returns false when the operator said No.
    bool Form_QueryUnload();
    // What ends the program after a confirmed exit (tests watch it instead).
    void setQuitAction(std::function<void()> quit) { m_quit = std::move(quit); }
    // The settings save of the exit.
    void setSaveAction(std::function<void()> save) { m_save = std::move(save); }

    void Command4_Click();
    void Command8_Click();
    void Check4_Click();
    void MnuHideCopy_Click();

    // Route setting: Index 1 takes the route from the keypad, 0 from the wheels.
    void Command1_Click(int Index);
    void CommandButton1_Click(int Index);
    // Stepping: Index 0 back, 1 forward.
    void Command2_Click(int Index);
    // Shows row nIndex of the fare table on the board. On the
    // thirty-six-ticket board a row whose tickets fill more than one page
    // shows its first page and starts tmrPage.
    void DispData(int nIndex);
    // Turns the thirty-six-ticket board to the row's next page that holds
    // an issued ticket; runs only while the row on show has more than one.
    void tmrPage_Timer();
    static constexpr int PageTurnMs = 5000;
    void List2_Click();
    void List3_Click();
    void cmdTapeSet_Click();
    void cmdTapeStop_Click();
    void cmdTapeNext_Click();
    void cmdTapeBack_Click();

    // Backlight OFF (0), ON1 (1), ON2 (2): the board's face and the colour of
    // its ticket numbers.
    void Option4_Click(int Index);
    // Display clear on or off.
    void Check1_Click();
    void HScroll1_Change(int Index);
    // Sends the double-clicked entry panel behind the other one.
    void Frame1_DblClick(int Index);

    // The panel state to and from the settings record CtrlDataInfo. The load
    // ends by sending the stored back panel to the back again; a stored value
    // the panel cannot take raises 380 and leaves the rest as it was.
    void GetCtrlDataInfo();
    void SetCtrlDataInfo();

    std::int16_t nFrame1Back = 0;

    // The date printed on a ticket, by the date mode of the options.
    QString TicketDateText() const;
    // The ticket preview as last drawn.
    const QImage& preview() const { return m_preview; }

    bool bKeitoInput = false;
    QString strKeitoDate;

    // Width of the client area with the preview pane closed and open.
    static constexpr int ClosedWidth = 353;
    static constexpr int OpenWidth = 594;

    std::array<QFrame*, 2> Frame1{};
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    std::array<DigitWheel*, 5> List2{};
    QLabel* Picture1 = nullptr;
    std::array<DigitWheel*, 3> List3{};
    std::array<QPushButton*, 2> Command1{};
    QLabel* Label9 = nullptr;
    std::array<QLabel*, 3> Label2{};
    std::array<QPushButton*, 12> CommandButton1{};
    QCheckBox* Check1 = nullptr;
    std::array<QPushButton*, 2> Command2{};
    QGroupBox* grpM_Tape = nullptr;
    QPushButton* cmdTapeBack = nullptr;
    QPushButton* cmdTapeNext = nullptr;
    QPushButton* cmdTapeStop = nullptr;
    QPushButton* cmdTapeSet = nullptr;
    QGroupBox* Frame2 = nullptr;
    std::array<QRadioButton*, 3> Option4{};
    QFrame* Frame6 = nullptr;
    std::array<QLabel*, 2> Label3{};
    std::array<QLabel*, 2> Label1{};
    std::array<QScrollBar*, 2> HScroll1{};
    QCheckBox* Check2 = nullptr;
    QPushButton* Command4 = nullptr;
    QPushButton* Command8 = nullptr;
    QCheckBox* Check4 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* picSeirikenPrev = nullptr;
    QComboBox* Combo1 = nullptr;
    QTimer* tmrPage = nullptr;

    // The keypad keys' rounded shapes, one per key.
    std::array<QRegion, 12> hKeyRgn{};

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createWheelPanel();
    void createKeypadPanel();
    void createSwitches();
    void createPreviewPane();
    void createPageTimer();
    void connectHandlers();

    void setRoute();
    void lampTest();
    void showInformationDigits(int nIndex);
    void showBoardFor(BoardLayout layout);
    void showPage(int nIndex, int page);
    void stopPaging();
    void playStepSound(int row);
    void drawTicketPreview(int nIndex);
    void showName(const QString& name);
    void showLatestName();
    void tellIfSilent();
    void showSpeechState();
    void loadTape(const QString& tpDir);

    QImage m_preview;
    // The row on show, the pages it shows, and whether its fares were
    // doubled: a page turn shows the same display's next page.
    int m_rowOnShow = 1;
    std::vector<int> m_pages;
    bool m_lateNightOnShow = false;
    // The stop name of the latest change of the board (a display, a display
    // clear, the column's restart after the options): the name on show
    // always belongs to the fares on show.
    QString m_nameOnShow;
    std::function<void()> m_quit;
    std::function<void()> m_save;
    QMenu* MnuHide = nullptr;
    Form1& m_board;
    frmOption& m_options;
};
