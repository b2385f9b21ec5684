#include "frmabt/frmabt.h"

#include "icon/applicationicon.h"
#include "platform.h"
#include "ui/ui.h"
#include "version/version.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QUrl>
#include <cmath>

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

const QString crlf = u"\r\n"_s;

QLabel* label(QWidget* parent, const char* name, const QFont& font, int left, int top, int width, int height)
{
    auto* l = new QLabel(parent);
    l->setObjectName(QLatin1StringView(name));
    l->setFont(font);
    l->setTextFormat(Qt::PlainText);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    placeTwips(l, left, top, width, height);
    return l;
}

// The Japanese faces of this desktop run a little taller than those the layout was drawn for: a text
// that would be cut off at the bottom gets the height it needs, growing downwards into free space.
void growToFit(QLabel* label)
{
    const int needed = label->sizeHint().height();
    if (needed > label->height())
        label->resize(label->width(), needed);
}

void growToFit(QTextEdit* edit)
{
    const int needed =
        static_cast<int>(std::ceil(edit->document()->size().height())) + 2 * edit->frameWidth();
    if (needed > edit->height())
        edit->resize(edit->width(), needed);
}

// Lines as far apart as the font's own line spacing, not the taller spacing the face asks text
// layouts for, so that four lines stand in the box the layout gives them.
void setLineSpacing(QTextEdit* edit)
{
    QTextBlockFormat spacing;
    spacing.setLineHeight(edit->fontMetrics().lineSpacing(), QTextBlockFormat::FixedHeight);
    QTextCursor all(edit->document());
    all.select(QTextCursor::Document);
    all.mergeBlockFormat(spacing);
}

void setBlackText(QWidget* widget)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    widget->setPalette(palette);
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption, int left, int top, int width,
                    int height)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1StringView(name));
    placeTwips(b, left, top, width, height);
    return b;
}

} // namespace

frmabt::frmabt(Platform& platform, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      m_platform(platform)
{
    setObjectName(u"frmabt"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(u"ﾊﾞｰｼﾞｮﾝ情報"_s);
    setWindowIcon(applicationIcon());
    setFixedSize(twips(5760), twips(3465));
    buildControls();
    connect(cmdOK, &QPushButton::clicked, this, &frmabt::cmdOK_Click);
    connect(Command1, &QPushButton::clicked, this, &frmabt::Command1_Click);
    exposeObjectNames(this);
    cmdOK->setFocus();
    Form_Load();
    for (QLabel* label : {lblTitle, exename, lblVersion, lblDescription})
        growToFit(label);
    setLineSpacing(Text1);
    growToFit(Text1);
}

void frmabt::buildControls()
{
    picIcon = label(this, "picIcon", font(), 240, 240, 510, 510);
    picIcon->setAlignment(Qt::AlignCenter);
    picIcon->setAccessibleName(u"アイコン"_s);
    const int iconSide = twips(480);
    picIcon->setPixmap(applicationIcon().pixmap(QSize(iconSide, iconSide), devicePixelRatioF()));

    lblTitle = label(this, "lblTitle", minchoFont(12), 960, 120, 4605, 345);
    setBlackText(lblTitle);
    exename = label(this, "exename", minchoFont(9.75), 960, 480, 4575, 255);
    lblVersion = label(this, "lblVersion", minchoFont(9.75), 960, 840, 4605, 225);
    lblDescription = label(this, "lblDescription", minchoFont(9.75), 960, 1200, 4605, 1005);
    setBlackText(lblDescription);

    // The two lines of an etched separator, drawn as one: grey above, white below.
    Line1 = new QFrame(this);
    Line1->setObjectName(u"Line1"_s);
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Sunken);
    QPalette etched = Line1->palette();
    etched.setColor(QPalette::Dark, QColor(0x80, 0x80, 0x80));
    etched.setColor(QPalette::Light, QColor(0xFF, 0xFF, 0xFF));
    Line1->setPalette(etched);
    const QRect line = twipsRect(120, 2400, 5684 - 120, 0);
    Line1->setGeometry(line.x(), line.y(), line.width(), 2);

    // The contact lines can be selected and copied, not changed.
    Text1 = new QTextEdit(this);
    Text1->setObjectName(u"Text1"_s);
    Text1->setFont(minchoFont(9.75));
    Text1->setReadOnly(true);
    Text1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    Text1->setLineWrapMode(QTextEdit::NoWrap);
    Text1->setAcceptRichText(false);
    Text1->setTabChangesFocus(true);
    Text1->document()->setDocumentMargin(1);
    Text1->setAccessibleName(u"作者の連絡先"_s);
    placeTwips(Text1, 240, 2520, 4575, 855);

    Command1 = button(this, "Command1", u"作者HP"_s, 4920, 2520, 735, 375);
    Command1->setFont(gothicFont(8.25));
    cmdOK = button(this, "cmdOK", u"OK"_s, 4920, 3000, 705, 345);
    cmdOK->setDefault(true);

    setTabOrder(cmdOK, Text1);
    setTabOrder(Text1, Command1);
}

// Fills the texts, each time the window is opened.
void frmabt::Form_Load()
{
    lblTitle->setText(u"ＳｉｔｅＬｏｏｍ"_s);
    exename->setText(u"("_s + u"SiteLoom"_s + u".exe)"_s);
    lblDescription->setText(
        u"簡単・ＨＰリンクファイル作成ツール"_s + crlf + u"自分のＨＰにリンク集があるかと思いますが"_s +
        crlf + u"このリンクが頻繁に更新されると思います。"_s + crlf +
        u"そのリンク集（ｈｔｍｌファイル）を簡単に"_s + crlf + u"作成するのに､大変便利なソフトです｡"_s);
    Text1->setPlainText(u"ホームページ："_s + crlf + QString::fromUtf16(authorHomePage) + crlf +
                        u"Eメール："_s + crlf + QString::fromUtf16(authorEmail));
    lblVersion->setText(u"Ver "_s + QString::fromUtf16(programVersion) + u"  ("_s +
                        QString::fromUtf16(releaseDate) + u")"_s);
}

// Escape presses "OK", the window's cancel button, like Enter presses it as the default button.
void frmabt::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        cmdOK->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmabt::cmdOK_Click()
{
    close();
}

void frmabt::Command1_Click()
{
    sakusya();
}

// Opens the author's home page in the desktop's browser, once the user has said he is online.
void frmabt::sakusya()
{
    MessageRequest question;
    question.text = u"\nインターネットに接続していますか？\n"_s;
    question.title = u"インターネット接続"_s;
    question.icon = QMessageBox::Warning;
    question.buttons = QMessageBox::Yes | QMessageBox::No;
    question.defaultButton = QMessageBox::Yes;
    if (m_platform.messageBox(this, question) != QMessageBox::Yes)
        return;
    const QString page = QString::fromUtf16(authorHomePage);
    if (!m_platform.openInBrowser(QUrl(page)))
        showMessage(m_platform, this,
                    u"ブラウザを起動できませんでした。\n作者のホームページは次のアドレスです。\n"_s + page);
}

} // namespace siteloom
