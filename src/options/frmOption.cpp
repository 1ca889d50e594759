#include "options/frmOption.h"

#include "board/Form1.h"
#include "board/mdl517_000.h"
#include "controls/ChimeiCtl_A.h"
#include "controls/M_Degit.h"
#include "options/ColorButton.h"
#include "options/WrappingRadioButton.h"
#include "panel/frmCtl.h"
#include "platform/ApiLib.h"
#include "platform/FontSubst.h"
#include "platform/Twips.h"
#include "platform/mdlSeiriken.h"
#include "settings/mdlIniIo_517.h"
#include "speech/mdlM_Tape.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QIcon>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QUrl>
#include <QRegularExpression>
#include <QStyleOptionButton>

#include <algorithm>

namespace {

// Design sizes of the window's client area.
constexpr int kClientWidthTwips = 9570;
constexpr int kClientHeightTwips = 5610;

// Where every page lies; the pages are stacked on the same rectangle.
const QRect kPageRect(112, 4, 518, 366);

QGroupBox* frame(QWidget* parent, const QString& title, const QRect& geometry)
{
    auto* box = new QGroupBox(title, parent);
    box->setGeometry(geometry);
    return box;
}

// A page or sub-page: opaque, so the one in front hides the ones behind it
// without any of them being hidden.
QGroupBox* page(QWidget* parent, const QString& title, const QRect& geometry)
{
    QGroupBox* box = frame(parent, title, geometry);
    box->setAutoFillBackground(true);
    return box;
}

QLabel* label(QWidget* parent, const QString& text, const QRect& geometry,
              Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter)
{
    auto* l = new QLabel(text, parent);
    l->setGeometry(geometry);
    l->setAlignment(alignment);
    return l;
}

QLabel* note(QWidget* parent, const QString& text, const QRect& geometry)
{
    QLabel* l = label(parent, text, geometry, Qt::AlignLeft | Qt::AlignTop);
    l->setWordWrap(true);
    return l;
}

QLineEdit* textBox(QWidget* parent, const QRect& geometry)
{
    auto* t = new QLineEdit(parent);
    t->setGeometry(geometry);
    return t;
}

QPushButton* button(QWidget* parent, const QString& text, const QRect& geometry)
{
    auto* b = new QPushButton(text, parent);
    b->setGeometry(geometry);
    return b;
}

ColorButton* swatch(QWidget* parent, std::int32_t colour, const QRect& geometry)
{
    auto* b = new ColorButton(parent);
    b->setBackColor(colour);
    b->setGeometry(geometry);
    return b;
}

// The classic close glyph is the letter "r" of a Windows symbol font that
// Linux does not have; the cross it stands for is drawn instead. The button
// greys the icon by itself when disabled.
QIcon crossIcon(const QColor& ink)
{
    QPixmap cross(9, 9);
    cross.fill(Qt::transparent);
    QPainter painter(&cross);
    painter.setPen(QPen(ink, 1.0));
    for (int i = 0; i < 9; ++i) {
        // Two pixels thick along each diagonal, like the symbol font's cross.
        painter.drawPoint(i, i);
        painter.drawPoint(8 - i, i);
        if (i < 8) {
            painter.drawPoint(i + 1, i);
            painter.drawPoint(7 - i, i);
        }
    }
    painter.end();
    QIcon icon;
    icon.addPixmap(cross);
    return icon;
}

QCheckBox* checkBox(QWidget* parent, const QString& text, const QRect& geometry, bool checked = false)
{
    auto* c = new QCheckBox(text, parent);
    c->setGeometry(geometry);
    c->setChecked(checked);
    return c;
}

// Option buttons are exclusive among the option buttons of their own
// container only (see groupOptionButtons).
template <class Button = QRadioButton>
QRadioButton* option(QWidget* parent, const QString& text, const QRect& geometry, bool selected = false)
{
    auto* o = new Button(text, parent);
    o->setGeometry(geometry);
    o->setChecked(selected);
    return o;
}

QRadioButton* wrappingOption(QWidget* parent, const QString& text, const QRect& geometry, bool selected = false)
{
    return option<WrappingRadioButton>(parent, text, geometry, selected);
}

QComboBox* list(QWidget* parent, const QRect& geometry)
{
    auto* c = new QComboBox(parent);
    c->setEditable(false);
    c->setGeometry(geometry);
    return c;
}

// Lists that sit in the blank stretches of a caption. The place is measured
// in the caption's own font, so the list covers the blanks whatever face
// stands in for the design's font on this system.
QRect blankRun(const QWidget* owner, const QString& text, int textLeft, int ordinal)
{
    static const QRegularExpression blanks(QStringLiteral("[ \u3000]{3,}"));
    const QFontMetrics metrics(owner->font());
    auto it = blanks.globalMatch(text);
    for (int n = 0; it.hasNext(); ++n) {
        const QRegularExpressionMatch run = it.next();
        if (n != ordinal)
            continue;
        const int from = metrics.horizontalAdvance(text.left(run.capturedStart()));
        const int to = metrics.horizontalAdvance(text.left(run.capturedEnd()));
        return QRect(owner->x() + textLeft + from, owner->y(), to - from, owner->height());
    }
    return {};
}

QComboBox* listInBlank(QWidget* owner, const QString& text, int textLeft, int ordinal)
{
    constexpr int kWidth = 60;
    constexpr int kHeight = 20;
    const QRect run = blankRun(owner, text, textLeft, ordinal);
    const int width = std::min(kWidth, run.width());
    const QPoint centre = run.center();
    return list(owner->parentWidget(), QRect(centre.x() - width / 2 + 1, centre.y() - kHeight / 2 + 1, width, kHeight));
}

QComboBox* listInBlank(QCheckBox* owner, int ordinal)
{
    QStyleOptionButton option;
    option.initFrom(owner);
    option.text = owner->text();
    const int textLeft = owner->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, owner).left();
    return listInBlank(owner, owner->text(), textLeft, ordinal);
}

QComboBox* listInBlank(QLabel* owner, int ordinal)
{
    return listInBlank(owner, owner->text(), owner->contentsRect().left(), ordinal);
}

void addNumbers(QComboBox* box, int last)
{
    for (int n = 1; n <= last; ++n)
        box->addItem(QString::number(n));
    box->setCurrentIndex(0);
}

} // namespace

frmOption::frmOption(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("オプション"));
    setFixedSize(Twips::toPixels(kClientWidthTwips), Twips::toPixels(kClientHeightTwips));
    // Controls sit at fixed pixel positions laid out for the 9-point dialog
    // face at 96 dpi; a pixel size keeps captions inside them at any dpi.
    QFont face(FontSubst::PGothic);
    face.setPixelSize(12);
    setFont(face);

    createPages();
    groupOptionButtons();
    connectHandlers();
    Form_Load();

    // No button is the default: Enter in a path box must not close the dialog.
    for (QPushButton* b : findChildren<QPushButton*>())
        b->setAutoDefault(false);

    Option1[0]->setChecked(true);
    Option5[1]->setChecked(true);
}

void frmOption::createPages()
{
    static const QString kButtonCaptions[6] = {
        QStringLiteral("運賃データと　放送用データ"), QStringLiteral("パネルと整理券番号表示"),
        QStringLiteral("デジタル部品と情報用数字"),   QStringLiteral("停名の設定"),
        QStringLiteral("サウンド"),                   QStringLiteral("　　整理券　　　プレビュー"),
    };
    static const QString kPageCaptions[6] = {
        QStringLiteral("運賃データと放送用データ"),
        QStringLiteral("パネルと整理券番号表示"),
        QStringLiteral("デジタル部品と情報用数字"),
        QStringLiteral("停名の設定"),
        QStringLiteral("サウンド（鳴らさなくてもいい項目にはファイル名を入れないで下さい）"),
        QStringLiteral("整理券プレビュー"),
    };
    for (int i = 0; i < 6; ++i) {
        Frame1[i] = page(this, kPageCaptions[i], kPageRect);
        auto* pageButton = new WrappingRadioButton(kButtonCaptions[i], this);
        pageButton->setPushLike(true);
        pageButton->setGeometry(8, 8 + i * 50, 96, 44);
        Option1[i] = pageButton;
    }
    // Nothing ever enables it: that page's settings are kept and applied,
    // but the operator cannot reach them.
    Option1[1]->setEnabled(false);

    createFolderPage(Frame1[0]);
    createPanelPage(Frame1[1]);
    createDigitPage(Frame1[2]);
    createChimeiPage(Frame1[3]);
    createSoundPage(Frame1[4]);
    createTicketPage(Frame1[5]);

    Command4 = button(this, QStringLiteral("OK"), QRect(8, 336, 96, 30));
}

void frmOption::createFolderPage(QGroupBox* p)
{
    static const QString kHeadings[2] = {
        QStringLiteral("運賃データ(*.hy3)のあるフォルダー："),
        QStringLiteral("放送用データ(*****Tp.csv)のあるフォルダー："),
    };
    static const QString kOpenCaptions[2] = {
        QStringLiteral("上記運賃データの場所をエクスプローラで開く"),
        QStringLiteral("上記放送用データの場所をエクスプローラで開く"),
    };
    for (int i = 0; i < 2; ++i) {
        const int top = 28 + i * 100;
        Label3[i] = label(p, kHeadings[i], QRect(12, top, 480, 18));
        Text2[i] = textBox(p, QRect(12, top + 20, 460, 22));
        Command3[i] = button(p, QStringLiteral("..."), QRect(476, top + 20, 30, 22));
        Command10[i] = button(p, kOpenCaptions[i], QRect(12, top + 48, 330, 26));
    }
}

void frmOption::createPanelPage(QGroupBox* p)
{
    Check1 = checkBox(p, QStringLiteral("整理券番号自動表示機能を使用"), QRect(12, 20, 300, 20), true);

    Frame4 = frame(p, QStringLiteral("本体パネル"), QRect(8, 42, 502, 170));
    Option3[0] = option(Frame4, QStringLiteral("内蔵しているパネルを自動で割り当てる"), QRect(10, 18, 290, 20), true);
    Option3[1] = option(Frame4, QStringLiteral("個別に設定する"), QRect(310, 18, 180, 20));

    // Per image group: caption, the user-file and built-in buttons.
    struct ImageGroup
    {
        const char* caption;
        int user;
        int builtIn;
    };
    static const ImageGroup kGroups[3] = {
        {"バックライトOFF時の画像：", 6, 7},
        {"ON1の画像：", 2, 3},
        {"ON2の画像：", 5, 4},
    };
    for (int i = 0; i < 3; ++i) {
        QGroupBox* group = frame(Frame4, QString::fromUtf8(kGroups[i].caption), QRect(8 + i * 164, 40, 160, 66));
        Option3[kGroups[i].user] = option(group, QStringLiteral("ユーザーパネル"), QRect(6, 18, 102, 20));
        Option3[kGroups[i].builtIn] = option(group, QStringLiteral("内蔵"), QRect(108, 18, 48, 20), true);
        txtSelectPanel[i] = textBox(group, QRect(6, 40, 120, 20));
        Command6[i] = button(group, QStringLiteral("..."), QRect(128, 40, 26, 20));
        group->setEnabled(false);
        group->setVisible(false);
        Frame6[i] = group;
    }
    Label5[1] = note(Frame4,
                     QStringLiteral("※ユーザーパネルには、現在の機種に対応の画像をご使用ください。大きいパネルの場合、はみ出た部分"
                                    "（右・下）が切り取られます。逆に小さいパネルの場合は左上から表示され、余白部分はグレーになり"
                                    "ますのでご注意ください。"),
                     QRect(10, 110, 484, 56));

    Frame3 = frame(p, QString(), QRect(8, 216, 502, 144));
    Label4[5] = label(Frame3, QStringLiteral("整理券番号表示設定"), QRect(10, 6, 240, 18));
    Label4[1] = label(Frame3, QStringLiteral("整理券番号のバックライトカラー(文字色)"), QRect(10, 28, 250, 18));
    // Each state's caption stands over its swatch.
    static const char* const kStates[3] = {"OFF：", "ON1：", "ON2："};
    static const std::int32_t kNumberColours[3] = {0x008000, 0x00C000, 0xC0FFC0};
    for (int i = 0; i < 3; ++i) {
        const int left = 10 + i * 64;
        Label4[2 + i] = label(Frame3, QString::fromUtf8(kStates[i]), QRect(left, 48, 56, 18));
        Command5[i] = swatch(Frame3, kNumberColours[i], QRect(left, 68, 48, 26));
    }
    Combo2 = list(Frame3, QRect(266, 26, 226, 22));
    Check2 = checkBox(Frame3, QStringLiteral("数字が1桁の番号は頭に0を付け足す"), QRect(266, 52, 226, 20));
    Label15 = note(Frame3,
                   QStringLiteral("※ユーザーパネルに直接番号をデザインしている場合には上記チェックをOFFにしてください。"),
                   QRect(10, 100, 484, 38));
}

void frmOption::createColourGroup(QGroupBox* group, int firstButton, M_Degit*& preview,
                                  const std::array<int, 3>& colours)
{
    static const char* const kRoles[3] = {"背景色：", "未発光時の文字色：", "発光時の文字色："};
    static const int kLabelWidths[3] = {48, 108, 96};
    int x = 6;
    for (int k = 0; k < 3; ++k) {
        label(group, QString::fromUtf8(kRoles[k]), QRect(x, 22, kLabelWidths[k], 24),
              Qt::AlignRight | Qt::AlignVCenter);
        x += kLabelWidths[k] + 2;
        Command8[firstButton + k] = swatch(group, colours[k], QRect(x, 20, 32, 26));
        x += 38;
    }
    label(group, QStringLiteral("プレビュー"), QRect(x, 22, 58, 24), Qt::AlignRight | Qt::AlignVCenter);
    preview = new M_Degit(group);
    preview->move(x + 60, 19);
    preview->setKeta(3);
    preview->setBackColor(colours[0]);
    preview->setBaseForeColor(colours[1]);
    preview->setDegitForeColor(colours[2]);
    preview->setValue(123);
}

void frmOption::createDigitPage(QGroupBox* p)
{
    Frame5[0] = frame(p, QStringLiteral("デジタル部品「大人」部分の背景色と文字色"), QRect(8, 18, 502, 54));
    Frame5[2] = frame(p, QStringLiteral("デジタル部品「地下鉄差額」部分の背景色と文字色"), QRect(8, 72, 502, 54));
    Frame5[3] = frame(p, QStringLiteral("デジタル部品「全線定期」部分の背景色と文字色"), QRect(8, 126, 502, 54));
    createColourGroup(Frame5[0], 0, M_Degit1, {0x808080, 0x969696, 0x72D2F8});
    createColourGroup(Frame5[2], 3, M_Degit2, {0x404040, 0x808080, 0x0080FF});
    createColourGroup(Frame5[3], 6, M_Degit3, {0x404040, 0x808080, 0x0080FF});

    QGroupBox* info = frame(p, QStringLiteral("情報用数字の設定"), QRect(8, 182, 502, 180));
    Frame5[1] = info;
    Check3[0] = checkBox(info, QStringLiteral("停留所の順番（区間・個数）を、　　　　　　  コマ目に表示する。"),
                         QRect(10, 18, 484, 22));
    Check3[4] = checkBox(info, QStringLiteral("0から数える"), QRect(32, 41, 200, 20));
    Check3[1] = checkBox(info, QStringLiteral("整理券番号を、  　　　　　　コマ目に表示する。"), QRect(10, 62, 484, 22));
    Check3[2] = checkBox(info, QStringLiteral("系統番号を、  　　　　　　コマ目に表示する。"), QRect(10, 86, 484, 22));
    Check3[3] = checkBox(info, QStringLiteral("データの　　　  　　　　　列目の値を、  　　　　　　コマ目に表示する。"),
                         QRect(10, 110, 484, 22));
    Combo4[0] = listInBlank(Check3[0], 0);
    Combo4[1] = listInBlank(Check3[1], 0);
    Combo4[2] = listInBlank(Check3[2], 0);
    Combo4[4] = listInBlank(Check3[3], 0);
    Combo4[3] = listInBlank(Check3[3], 1);
    // The cell lists and "0から数える" wait for their check box.
    for (QComboBox* c : Combo4)
        c->setEnabled(false);
    Check3[4]->setEnabled(false);

    Label7 = note(info,
                  QStringLiteral("デジタル数字の桁ずらし、ゼロ埋めの設定は各部品をダブルクリックして設定してください。また、"
                                 "これら情報用数字は運賃の表示よりも優先されます。"),
                  QRect(10, 136, 484, 38));
}

void frmOption::createChimeiPage(QGroupBox* p)
{
    Label9 = label(p, QStringLiteral("フォントオプション："), QRect(12, 30, 130, 22));
    Combo3 = list(p, QRect(144, 30, 300, 22));
    Combo3->addItems({
        QStringLiteral("ゴシック体"),
        QStringLiteral("明朝体"),
        QStringLiteral("漢字はゴシック、それ以外は明朝"),
        QStringLiteral("漢字は明朝、それ以外はゴシック"),
        QStringLiteral("英数字はゴシック、それ以外は明朝"),
    });
    // No face is chosen until the operator or the settings pick one.
    Combo3->setCurrentIndex(-1);
    Check4 = checkBox(p, QStringLiteral("太字（表示の不具合はサポート対象外）"), QRect(12, 62, 400, 20));

    Label8[0] = label(p, QStringLiteral("背景色："), QRect(12, 98, 60, 26));
    Command9[0] = swatch(p, 0x808080, QRect(76, 96, 40, 28));
    Label8[1] = label(p, QStringLiteral("文字色："), QRect(12, 132, 60, 26));
    Command9[1] = swatch(p, 0x00FFFF, QRect(76, 130, 40, 28));
}

void frmOption::addSoundRow(QWidget* parent, int labelIndex, const QString& caption, int soundIndex,
                            const QRect& labelRect, const QRect& box)
{
    Label1[labelIndex] = label(parent, caption, labelRect);
    txtSelectSound[soundIndex] = textBox(parent, box);
    cmdSelectSound[soundIndex] =
        button(parent, QStringLiteral("..."), QRect(box.right() + 3, box.top(), 28, box.height()));
}

void frmOption::createSoundPage(QGroupBox* p)
{
    addSoundRow(p, 0, QStringLiteral("系統設定時のサウンド："), 0, QRect(10, 22, 140, 20), QRect(150, 22, 320, 20));
    addSoundRow(p, 1, QStringLiteral("リセット時のサウンド："), 1, QRect(10, 46, 140, 20), QRect(150, 46, 320, 20));
    Option5[1] = option(p, QStringLiteral("送り・戻し時のサウンド..."), QRect(10, 72, 200, 20));
    Option5[0] = option(p, QStringLiteral("放送前のサウンド..."), QRect(220, 72, 200, 20));

    Frame2[0] = page(p, QStringLiteral("放送前のサウンド：※音声合成放送機能が有効でない場合は以下の設定は意味を持ちません。"),
                     QRect(6, 96, 506, 224));
    Frame2[1] = page(p, QStringLiteral("送り・戻し時のサウンド"), QRect(6, 96, 506, 224));
    createPreSoundPage(Frame2[0]);
    createStepSoundPage(Frame2[1]);

    Label1[7] = note(p,
                     QStringLiteral("「放送前のサウンド」再生時は、停名のスクロールが停止することがありますので、あらかじめご了承"
                                    "ください。"),
                     QRect(10, 326, 496, 34));
}

void frmOption::createStepSoundPage(QGroupBox* p)
{
    Option2[0] = option(p, QStringLiteral("常に右記のサウンドを鳴らす"), QRect(8, 20, 200, 20), true);
    txtSelectSound[7] = textBox(p, QRect(210, 20, 256, 20));
    cmdSelectSound[7] = button(p, QStringLiteral("..."), QRect(469, 20, 28, 20));
    Option2[1] = wrappingOption(p,
                                QStringLiteral("運賃データ(*.hy3)の特定の列のデータから判断して、以下の指定したサウンドを"
                                               "鳴らす（指定した列のデータの内容が1～3以外の場合はサウンドは鳴りません）"),
                                QRect(8, 44, 490, 34));
    Label1[2] = label(p, QStringLiteral("運賃データの                        　　　　　　　　　列目                     のデータが、"),
                      QRect(26, 82, 472, 22));
    Combo1 = listInBlank(Label1[2], 0);
    addSoundRow(p, 3, QStringLiteral("「1」の場合"), 8, QRect(26, 110, 72, 20), QRect(100, 110, 150, 20));
    addSoundRow(p, 4, QStringLiteral("「2」の場合"), 9, QRect(26, 134, 72, 20), QRect(100, 134, 150, 20));
    addSoundRow(p, 5, QStringLiteral("「3」の場合"), 10, QRect(26, 158, 72, 20), QRect(100, 158, 150, 20));

    Frame8 = frame(p, QStringLiteral("再生方法"), QRect(292, 106, 206, 110));
    Option6[0] = wrappingOption(Frame8, QStringLiteral("同期再生(サウンドが完全に再生された後で運賃切り替え)"),
                                QRect(6, 18, 194, 42));
    Option6[1] = wrappingOption(Frame8, QStringLiteral("非同期再生(サウンドを再生しながら運賃切り替え)"),
                                QRect(6, 62, 194, 42), true);
}

void frmOption::createPreSoundPage(QGroupBox* p)
{
    Option2[2] = option(p, QStringLiteral("常に右記のサウンドを鳴らす"), QRect(8, 20, 200, 20), true);
    txtSelectSound[3] = textBox(p, QRect(210, 20, 256, 20));
    cmdSelectSound[3] = button(p, QStringLiteral("..."), QRect(469, 20, 28, 20));
    Option2[3] = wrappingOption(p,
                                QStringLiteral("放送データ(*.Tp.csv)内のフラグから判断して、以下の指定したサウンドを鳴らす"
                                               "（フラグの内容が1～3以外の場合はサウンドは鳴りません）"),
                                QRect(8, 44, 490, 34));
    addSoundRow(p, 9, QStringLiteral("「1」の場合"), 4, QRect(26, 86, 72, 20), QRect(100, 86, 150, 20));
    addSoundRow(p, 10, QStringLiteral("「2」の場合"), 5, QRect(26, 110, 72, 20), QRect(100, 110, 150, 20));
    addSoundRow(p, 11, QStringLiteral("「3」の場合"), 6, QRect(26, 134, 72, 20), QRect(100, 134, 150, 20));

    Frame9 = frame(p, QStringLiteral("再生方法"), QRect(292, 82, 206, 110));
    Option7[0] = wrappingOption(Frame9, QStringLiteral("同期再生(サウンドが完全に再生された後で放送開始)"),
                                QRect(6, 18, 194, 42), true);
    Option7[1] = wrappingOption(Frame9, QStringLiteral("非同期再生(サウンドを再生しながら放送開始)"), QRect(6, 62, 194, 42));
}

void frmOption::createTicketPage(QGroupBox* p)
{
    chkUseSeiriPrev = checkBox(p, QStringLiteral("整理券プレビュー機能を使用する"), QRect(12, 20, 300, 20));

    Frame10 = frame(p, QStringLiteral("整理券プラグイン設定"), QRect(8, 44, 502, 178));
    Label2 = label(Frame10,
                   QStringLiteral("整理券プラグイン（整理券プレビューを使用しない場合は、何も入れないでください）："),
                   QRect(8, 18, 486, 18));
    txtSeiriPlgDir = textBox(Frame10, QRect(8, 38, 420, 22));
    Command1 = button(Frame10, QStringLiteral("..."), QRect(432, 38, 30, 22));
    Command11 = button(Frame10, QString(), QRect(466, 38, 28, 22));
    Command11->setIcon(crossIcon(Command11->palette().color(QPalette::ButtonText)));
    Command11->setAccessibleName(QStringLiteral("×"));
    Label11 = label(Frame10, QStringLiteral("上記プラグインのプロパティ："), QRect(8, 64, 236, 18));
    List1 = new QListWidget(Frame10);
    List1->setGeometry(8, 82, 236, 88);
    Label13 = label(Frame10, QStringLiteral("上記プラグインの特記事項："), QRect(252, 64, 242, 18));
    txtPlginComment = new QPlainTextEdit(Frame10);
    txtPlginComment->setGeometry(252, 82, 242, 88);

    Frame7 = frame(p, QStringLiteral("日付の設定（整理券プラグインが日付の印字をサポートしているときに有効）"),
                   QRect(8, 226, 502, 132));
    Option4[0] = option(Frame7, QStringLiteral("システムの日付を使用（整理券印字と同時に日付を更新、デフォルト）"),
                        QRect(10, 18, 484, 20), true);
    Option4[1] = option(Frame7, QStringLiteral("システムの日付を使用（系統設定した時点の日付を保持）"),
                        QRect(10, 40, 484, 20));
    Label14 = note(Frame7,
                   QStringLiteral("系統設定した際の日付が保持され、日付が途中で変わっても次回系統設定するまで整理券の日付変更を"
                                  "行いません。"),
                   QRect(30, 62, 464, 32));
    Option4[2] = option(Frame7, QStringLiteral("右記の日付に固定"), QRect(10, 100, 150, 20));
    Label10 = label(Frame7, QString(), QRect(164, 100, 90, 20), Qt::AlignCenter);
    Label10->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Command7 = button(Frame7, QStringLiteral("日付選択..."), QRect(262, 98, 90, 24));

    // Both groups appear only once the preview is switched on.
    for (QGroupBox* group : {Frame10, Frame7}) {
        group->setEnabled(false);
        group->setVisible(false);
    }
}

// Qt's auto-exclusivity spans everything below a button's parent, so a page
// button would deselect an option on a page and a sub-page button one on its
// sub-pages. An explicit group per container keeps each container's option
// buttons a set of their own and no more.
void frmOption::groupOptionButtons()
{
    QHash<QWidget*, QButtonGroup*> groups;
    for (QRadioButton* o : findChildren<QRadioButton*>()) {
        QButtonGroup*& group = groups[o->parentWidget()];
        if (!group)
            group = new QButtonGroup(o->parentWidget());
        group->addButton(o);
    }
}

void frmOption::connectHandlers()
{
    // Selecting a button by code runs the handler just as a click does.
    for (int i = 0; i < static_cast<int>(Option1.size()); ++i) {
        connect(Option1[i], &QRadioButton::toggled, this, [this, i](bool checked) {
            if (checked)
                ApiLib::guarded([this, i] { Option1_Click(i); });
        });
    }
    for (int i = 0; i < static_cast<int>(Option5.size()); ++i) {
        connect(Option5[i], &QRadioButton::toggled, this, [this, i](bool checked) {
            if (checked)
                ApiLib::guarded([this, i] { Option5_Click(i); });
        });
    }
    connect(Command4, &QPushButton::clicked, this, [this] { ApiLib::guarded([this] { Command4_Click(); }); });
    // The dependants flip on every change of a box, made by hand or by code.
    connect(Check1, &QCheckBox::toggled, this, [this] { ApiLib::guarded([this] { Check1_Click(); }); });
    for (int i = 0; i < static_cast<int>(Check3.size()); ++i)
        connect(Check3[i], &QCheckBox::toggled, this, [this, i] { ApiLib::guarded([this, i] { Check3_Click(i); }); });
    for (int i = 0; i < static_cast<int>(Option3.size()); ++i) {
        connect(Option3[i], &QRadioButton::toggled, this, [this, i](bool checked) {
            if (checked)
                ApiLib::guarded([this, i] { Option3_Click(i); });
        });
    }
    for (int i = 0; i < static_cast<int>(Command10.size()); ++i)
        connect(Command10[i], &QPushButton::clicked, this, [this, i] { ApiLib::guarded([this, i] { Command10_Click(i); }); });
    connect(chkUseSeiriPrev, &QCheckBox::toggled, this, [this] { ApiLib::guarded([this] { chkUseSeiriPrev_Click(); }); });
    connect(Command11, &QPushButton::clicked, this, [this] { ApiLib::guarded([this] { Command11_Click(); }); });
    auto onClick = [this](QPushButton* button, auto handler) {
        if (button)
            connect(button, &QPushButton::clicked, this, [handler] { ApiLib::guarded(handler); });
    };
    for (int i = 0; i < 2; ++i)
        onClick(Command3[i], [this, i] { Command3_Click(i); });
    for (int i = 0; i < 3; ++i) {
        onClick(Command6[i], [this, i] { Command6_Click(i); });
        onClick(Command5[i], [this, i] { Command5_Click(i); });
    }
    for (int i = 0; i < static_cast<int>(cmdSelectSound.size()); ++i)
        onClick(cmdSelectSound[i], [this, i] { cmdSelectSound_Click(i); });
    for (int i = 0; i < static_cast<int>(Command8.size()); ++i)
        onClick(Command8[i], [this, i] { Command8_Click(i); });
    for (int i = 0; i < 2; ++i)
        onClick(Command9[i], [this, i] { Command9_Click(i); });
    onClick(Command1, [this] { Command1_Click(); });
    onClick(Command7, [this] { Command7_Click(); });
}

// The folder picker always opens without a preset folder.
QString frmOption::GetPathString(const QString&)
{
    return ApiLib::KelFolderDlg(this, QStringLiteral("フォルダーを選択してください"));
}

void frmOption::GetBtnColor(ColorButton* objBtn)
{
    std::int32_t colour = objBtn->BackColor();
    if (ApiLib::KelChooseColor(this, colour, mdlIniIo_517::CustColors) != 0)
        objBtn->setBackColor(colour);
}

void frmOption::Command3_Click(int Index)
{
    const QString folder = GetPathString(Text2[static_cast<size_t>(Index)]->text());
    if (!folder.isEmpty())
        Text2[static_cast<size_t>(Index)]->setText(folder);
}

void frmOption::Command6_Click(int Index)
{
    const QString file = ApiLib::KelFileDlg(this, 0,
                                            QStringLiteral("ビットマップ(*.bmp)\0*.bmp\0GIF画像(*.gif)\0*.gif\0"
                                                           "JPEG画像(*.jpg)\0*.jpg"),
                                            QString(), QStringLiteral("パネル画像の選択"));
    if (!file.isEmpty())
        txtSelectPanel[static_cast<size_t>(Index)]->setText(file);
}

void frmOption::cmdSelectSound_Click(int Index)
{
    const QString file = ApiLib::KelFileDlg(
        this, 0, QStringLiteral("Waveサウンド(*.wav)\0*.wav\0MIDIサウンド(*.mid)\0*.mid"), QString(),
        QStringLiteral("サウンドの選択"));
    if (!file.isEmpty())
        txtSelectSound[static_cast<size_t>(Index)]->setText(file);
}

void frmOption::Command5_Click(int Index)
{
    GetBtnColor(Command5[static_cast<size_t>(Index)]);
}

// The preview shows a new colour at once; the board only at SetProp.
void frmOption::Command8_Click(int Index)
{
    ColorButton* button = Command8[static_cast<size_t>(Index)];
    GetBtnColor(button);
    M_Degit* preview = Index < 3 ? M_Degit1 : Index < 6 ? M_Degit2 : M_Degit3;
    switch (Index % 3) {
    case 0:
        preview->setBackColor(button->BackColor());
        break;
    case 1:
        preview->setBaseForeColor(button->BackColor());
        break;
    default:
        preview->setDegitForeColor(button->BackColor());
        break;
    }
}

void frmOption::Command9_Click(int Index)
{
    GetBtnColor(Command9[static_cast<size_t>(Index)]);
}

int frmOption::SetPlgin(const QString& strFileName)
{
    if (strFileName.isEmpty())
        return 0;
    PlgInfo info{};
    if (!mdlSeiriken::Mrv_GetPlgInfo(strFileName, info))
        return 0;
    mdlSeiriken::Mrv_SetPlgComment(strFileName, txtPlginComment);
    auto verdict = [](std::int32_t value) { return value == 1 ? QStringLiteral("---> 可能") : QStringLiteral("---> 不可"); };
    List1->clear();
    List1->addItem(QStringLiteral("日付の印字 ") + verdict(info.nCanDate));
    List1->addItem(QStringLiteral("時刻の印字 ") + verdict(info.nCanTime));
    List1->addItem(QStringLiteral("系統番号の印字 ") + verdict(info.nCanKeito));
    List1->addItem(QStringLiteral("停名の印字 ") + verdict(info.nCanTeimei));
    List1->addItem(QStringLiteral("バーコード印字 ") + verdict(info.nCanBarcode));
    if (info.nCanBarcode == 1) {
        List1->addItem(QStringLiteral("バーコード本数 ---> %1").arg(info.nBarcodeCount));
        List1->addItem(QStringLiteral("バーコード系統方式 ")
                       + (info.nBarcodeKeitoMode == 1 ? QStringLiteral("---> 連番式") : QStringLiteral("---> 系統番号＋往復フラグ")));
        List1->addItem(QStringLiteral("設定可能な系統範囲 ---> 1 ～ %1").arg(info.nKeitoMax));
        List1->addItem(QStringLiteral("停留所認識範囲 ---> %1 ～ %2").arg(info.nStopFrom).arg(info.nStopTo));
    }
    List1->addItem(QStringLiteral("社名切り替え:")
                   + (info.nCorpCount >= 1 ? QStringLiteral("---> 可能") : QStringLiteral("---> 不可")));
    if (m_panel) {
        m_panel->picSeirikenPrev->resize(info.nPrevWidth, info.nPrevHeight);
        if (info.nCorpCount >= 1)
            mdlSeiriken::Mrv_SetCorpAddList(strFileName, m_panel->Combo1);
    }
    return 2;
}

void frmOption::Command1_Click()
{
    const QString file = ApiLib::KelFileDlg(this, 0, QStringLiteral("整理券プラグイン(*.4SP)\0*.4SP"), QString(),
                                            QStringLiteral("プラグインの選択"));
    if (file.isEmpty())
        return;
    if (m_panel)
        m_panel->Combo1->clear();
    if (SetPlgin(file) != 0) {
        txtSeiriPlgDir->setText(file);
        return;
    }
    ApiLib::MsgBox(QStringLiteral("指定したファイルはプラグインでないか、内容が不正です"),
                   ApiLib::vbOKOnly | ApiLib::vbCritical, QStringLiteral("プラグインロードエラー"));
}

void frmOption::Command7_Click()
{
    MrvDate date{};
    if (ApiLib::Call_dlg111(this, date) == 0)
        return;
    Label10->setText(QStringLiteral("%1/%2/%3")
                         .arg(date.year)
                         .arg(date.month, 2, 10, QLatin1Char('0'))
                         .arg(date.day, 2, 10, QLatin1Char('0')));
}

void frmOption::attach(Form1& board, frmCtl& panel)
{
    m_board = &board;
    m_panel = &panel;
}

void frmOption::Check1_Click()
{
    Frame3->setEnabled(!Frame3->isEnabled());
}

void frmOption::Check3_Click(int Index)
{
    auto flip = [](QWidget* w) { w->setEnabled(!w->isEnabled()); };
    switch (Index) {
    case 0:
        flip(Combo4[0]);
        flip(Check3[4]);
        break;
    case 1:
        flip(Combo4[1]);
        break;
    case 2:
        flip(Combo4[2]);
        break;
    case 3:
        flip(Combo4[3]);
        flip(Combo4[4]);
        break;
    default:
        break;
    }
}

// Whichever button was clicked, the automatic choice decides whether the
// three image groups are offered.
void frmOption::Option3_Click(int)
{
    const bool each = !Option3[0]->isChecked();
    for (QGroupBox* group : Frame6)
        group->setEnabled(each);
    for (QGroupBox* group : Frame6)
        group->setVisible(each);
}

// A folder that cannot be opened is not worth a message.
void frmOption::Command10_Click(int Index)
{
    const QString folder = Text2[static_cast<size_t>(Index)]->text();
    if (!folder.isEmpty())
        QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

void frmOption::chkUseSeiriPrev_Click()
{
    const bool on = chkUseSeiriPrev->isChecked();
    Frame10->setEnabled(on);
    Frame10->setVisible(on);
    Frame7->setEnabled(on);
    Frame7->setVisible(on);
}

// The preview size and the panel's company list stay as they are.
void frmOption::Command11_Click()
{
    txtSeiriPlgDir->clear();
    List1->clear();
    txtPlginComment->clear();
}

// The order is the order the board takes the settings in.
void frmOption::SetProp()
{
    if (!m_board || !m_panel)
        return;
    Form1& board = *m_board;
    for (int i = 1; i <= 36; ++i)
        board.lblSeiriNum[static_cast<size_t>(i)]->setVisible(Check1->isChecked());
    mdl517_000::SeirikenNumSet(board, Combo2->currentIndex(), Check2->isChecked() ? 1 : 0);

    const int state = m_panel->Option4[0]->isChecked() ? 0 : m_panel->Option4[1]->isChecked() ? 1 : 2;
    board.setNumberColour(Command5[static_cast<size_t>(state)]->BackColor());

    for (int i = 1; i <= 36; ++i) {
        const size_t first = static_cast<size_t>(3 * BoardLayouts::colourGroup(board.boardLayout(), i));
        board.Degit[static_cast<size_t>(i)]->setBackColor(Command8[first]->BackColor());
        board.Degit[static_cast<size_t>(i)]->setBaseForeColor(Command8[first + 1]->BackColor());
        board.Degit[static_cast<size_t>(i)]->setDegitForeColor(Command8[first + 2]->BackColor());
    }
    for (M_Degit* clock : board.TimeDegit) {
        clock->setBackColor(Command8[0]->BackColor());
        clock->setBaseForeColor(Command8[1]->BackColor());
        clock->setDegitForeColor(Command8[2]->BackColor());
    }

    board.ChimeiCtl->setBackColor(Command9[0]->BackColor());
    board.ChimeiCtl->setForeColor(Command9[1]->BackColor());
    board.ChimeiCtl->setFontMode(Combo3->currentIndex());
    board.ChimeiCtl->setFontBold(Check4->isChecked());

    m_panel->Option4_Click(state);
}

void frmOption::Form_Load()
{
    M_Degit1->setDegitSize(2);
    for (int i = 0; i <= 3; ++i)
        addNumbers(Combo4[i], 36);
    addNumbers(Combo1, 150);
    addNumbers(Combo4[4], 150);
    AddComboItem();
    Label10->setText(mdlIniIo_517::todayText());
}

void frmOption::AddComboItem()
{
    // The number after the dots is the last of the 36 numbers shown.
    struct NumberingStyle
    {
        const char* base;
        int last;
    };
    static const NumberingStyle kStyles[12] = {
        {"1,2,3...", 36},         {"0,1,2...", 35},         {"「なし」、1,2...", 35},   {"「なし」、2,3...", 36},
        {"「無券」、1,2...", 35}, {"「無券」、2,3...", 36}, {"「券なし」、1,2...", 35}, {"「券なし」、2,3...", 36},
        {"「券無し」、1,2...", 35}, {"「券無し」、2,3...", 36}, {"(無地)、1,2...", 35},  {"(無地)、2,3...", 36},
    };
    for (const NumberingStyle& style : kStyles) {
        QString text = QString::fromUtf8(style.base) + QString::number(style.last);
        if (&style == &kStyles[0])
            text += QStringLiteral(" （既定の表示）");
        Combo2->addItem(text);
    }
    Combo2->setCurrentIndex(0);
}

void frmOption::Option1_Click(int Index)
{
    Frame1[Index]->raise();
}

void frmOption::Option5_Click(int Index)
{
    Frame2[Index]->raise();
}

// Hiding, not closing: the controls are the live settings and must stay.
void frmOption::Command4_Click()
{
    SetProp();
    hide();
}

mdlM_Tape::TapeChimes frmOption::tapeChimes() const
{
    return {Option2[2]->isChecked(),
            Option7[0]->isChecked(),
            txtSelectSound[3]->text(),
            {txtSelectSound[4]->text(), txtSelectSound[5]->text(), txtSelectSound[6]->text()}};
}
