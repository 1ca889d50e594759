#pragma once

#include <QDialog>

#include <array>

class ColorButton;
class Form1;
class frmCtl;
class M_Degit;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
namespace mdlM_Tape {
struct TapeChimes;
}

// The options dialog. Its controls are the live store of the settings for the
// whole run: it is created once, hidden, and only ever hidden again, never
// destroyed, so whatever the operator or the settings load puts into them
// stays. Control arrays keep the design's indices; an index the design never
// uses holds nullptr.
class frmOption : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(frmOption)

public:
    explicit frmOption(QWidget* parent = nullptr);

    // Fills the lists and the date; run once by the constructor.
    void Form_Load();
    // Fills Combo2 with the twelve numbering styles of the number strip.
    void AddComboItem();

    // The board and panel that SetProp applies the settings to.
    void attach(Form1& board, frmCtl& panel);

    void Option1_Click(int Index);
    void Option5_Click(int Index);
    void Command4_Click();
    void Check1_Click();
    void Check3_Click(int Index);
    void Option3_Click(int Index);
    void Command10_Click(int Index);
    void chkUseSeiriPrev_Click();
    void Command11_Click();
    // Pushes the display settings onto the board and the panel.
    void SetProp();
    // Controls to the settings records (the save) and back (the load). The
    // load runs the handlers of the controls whose values change and raises
    // 380 at the first value a control rejects, leaving the later ones as
    // they were.
    void GetOptionInfo();
    void SetOptionInfo();
    // The announcement tape's chimes as the next step plays them.
    mdlM_Tape::TapeChimes tapeChimes() const;

    // Pickers; a cancelled picker changes nothing.
    QString GetPathString(const QString& strDefPath);
    void GetBtnColor(ColorButton* objBtn);
    void Command3_Click(int Index);
    void Command6_Click(int Index);
    void cmdSelectSound_Click(int Index);
    void Command5_Click(int Index);
    void Command8_Click(int Index);
    void Command9_Click(int Index);

    // The ticket plug-in: 2 when taken, 0 when there is none or the file is
    // not a plug-in.
    int SetPlgin(const QString& strFileName);
    void Command1_Click();
    void Command7_Click();

    // Pages and OK
    std::array<QGroupBox*, 6> Frame1{};
    std::array<QRadioButton*, 6> Option1{};
    QPushButton* Command4 = nullptr;

    // Page 0: data folders
    std::array<QLabel*, 2> Label3{};
    std::array<QLineEdit*, 2> Text2{};
    std::array<QPushButton*, 2> Command3{};
    std::array<QPushButton*, 2> Command10{};

    // Page 1: panel images and number strip
    QCheckBox* Check1 = nullptr;
    QGroupBox* Frame4 = nullptr;
    std::array<QRadioButton*, 8> Option3{};
    std::array<QGroupBox*, 3> Frame6{};
    std::array<QPushButton*, 3> Command6{};
    std::array<QLineEdit*, 3> txtSelectPanel{};
    std::array<QLabel*, 2> Label5{}; // only 1
    QGroupBox* Frame3 = nullptr;
    std::array<QLabel*, 6> Label4{}; // 1 to 5
    std::array<ColorButton*, 3> Command5{};
    QComboBox* Combo2 = nullptr;
    QCheckBox* Check2 = nullptr;
    QLabel* Label15 = nullptr;

    // Page 2: digit colours and information digits
    std::array<QGroupBox*, 4> Frame5{};
    std::array<ColorButton*, 9> Command8{};
    M_Degit* M_Degit1 = nullptr;
    M_Degit* M_Degit2 = nullptr;
    M_Degit* M_Degit3 = nullptr;
    std::array<QCheckBox*, 5> Check3{};
    std::array<QComboBox*, 5> Combo4{};
    QLabel* Label7 = nullptr;

    // Page 3: stop-name scroller
    QLabel* Label9 = nullptr;
    QComboBox* Combo3 = nullptr;
    QCheckBox* Check4 = nullptr;
    std::array<QLabel*, 2> Label8{};
    std::array<ColorButton*, 2> Command9{};

    // Page 4: sounds
    std::array<QLabel*, 12> Label1{};             // 0 to 5, 7, 9 to 11
    std::array<QLineEdit*, 11> txtSelectSound{};  // 0, 1, 3 to 10
    std::array<QPushButton*, 11> cmdSelectSound{}; // beside each txtSelectSound
    std::array<QRadioButton*, 2> Option5{};
    std::array<QGroupBox*, 2> Frame2{};
    std::array<QRadioButton*, 4> Option2{};
    QComboBox* Combo1 = nullptr;
    QGroupBox* Frame8 = nullptr;
    std::array<QRadioButton*, 2> Option6{};
    QGroupBox* Frame9 = nullptr;
    std::array<QRadioButton*, 2> Option7{};

    // Page 5: numbered-ticket preview
    QCheckBox* chkUseSeiriPrev = nullptr;
    QGroupBox* Frame10 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* txtSeiriPlgDir = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command11 = nullptr;
    QLabel* Label11 = nullptr;
    QListWidget* List1 = nullptr;
    QLabel* Label13 = nullptr;
    QPlainTextEdit* txtPlginComment = nullptr;
    QGroupBox* Frame7 = nullptr;
    std::array<QRadioButton*, 3> Option4{};
    QLabel* Label10 = nullptr;
    QPushButton* Command7 = nullptr;
    QLabel* Label14 = nullptr;

private:
    void createPages();
    void groupOptionButtons();
    void createFolderPage(QGroupBox* page);
    void createPanelPage(QGroupBox* page);
    void createDigitPage(QGroupBox* page);
    void createChimeiPage(QGroupBox* page);
    void createSoundPage(QGroupBox* page);
    void createStepSoundPage(QGroupBox* page);
    void createPreSoundPage(QGroupBox* page);
    void createTicketPage(QGroupBox* page);
    void createColourGroup(QGroupBox* group, int firstButton, M_Degit*& preview, const std::array<int, 3>& colours);
    void addSoundRow(QWidget* parent, int labelIndex, const QString& caption, int soundIndex, const QRect& label,
                     const QRect& box);
    void connectHandlers();

    Form1* m_board = nullptr;
    frmCtl* m_panel = nullptr;
};
