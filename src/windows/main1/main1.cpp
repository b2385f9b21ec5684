#include "main1/main1.h"

#include "dirs/dirs.h"
#include "fm1/fm1.h"
#include "frmabt/frmabt.h"
#include "import/importwindow.h"
#include "importing/exporting.h"
#include "linkcheck/checkadvice.h"
#include "linkcheck/linkcheckwindow.h"
#include "linkentry/linkentry.h"
#include "listfile/listfile.h"
#include "main1/entrylist.h"
#include "main1/entrylistview.h"
#include "main1/findbar.h"
#include "main1/recentfiles.h"
#include "main1/undoableentrylist.h"
#include "messages/messages.h"
#include "messages/transfermessages.h"
#include "messages/updatemessages.h"
#include "page/linkpage.h"
#include "platform.h"
#include "publish/keyring.h"
#include "publish/publishwindow.h"
#include "text/systemreason.h"
#include "text/textfile.h"
#include "text/trim.h"
#include "ui/ui.h"
#include "updates/updateswindow.h"

#include <QAction>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QShowEvent>
#include <QStyle>
#include <QTabWidget>
#include <QUndoStack>
#include <QUrl>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <memory>
#include <new>

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

// Creates a control at its place in twips, named as the window's code and assistive technology know
// it, with its caption (a frame's title, a label's, button's or text box's text).
template <typename W>
W* make(QWidget* parent, const char* name, const QString& caption, int left, int top, int width, int height)
{
    auto* widget = new W(parent);
    widget->setObjectName(QLatin1StringView(name));
    // A frame's place depends on its title, which the style draws above the frame's contents.
    if constexpr (std::is_base_of_v<QGroupBox, W>)
        widget->setTitle(caption);
    else if constexpr (requires { widget->setText(caption); })
        widget->setText(caption);
    placeTwips(widget, left, top, width, height);
    return widget;
}

// A horizontal line from (left, top) to (right, top).
QFrame* line(QWidget* parent, const char* name, int left, int top, int right)
{
    auto* l = new QFrame(parent);
    l->setObjectName(QLatin1StringView(name));
    l->setFrameShape(QFrame::HLine);
    l->setFrameShadow(QFrame::Sunken);
    const QRect r = twipsRect(left, top, right - left, 0);
    l->setGeometry(r.x(), r.y() - 1, r.width(), 2);
    return l;
}

QRadioButton* colourOption(QWidget* parent, const char* name, const QString& caption, int left, int top,
                           QRgb sample)
{
    auto* option = make<QRadioButton>(parent, name, caption, left, top, 1215, 255);
    // The colour buttons show a sample of their colour behind their caption.
    if (sample != 0)
        option->setStyleSheet(
            u"QRadioButton { background-color: %1; color: black; }"_s.arg(QColor(sample).name()));
    return option;
}

// The fields of one site, the same on both tabs: banner URL, name (with a line break hint on the
// first tab) and URL.
struct SiteFields
{
    QLabel* bannerCaption;
    QLineEdit* banner;
    QLabel* bannerHint;
    QLabel* nameCaption;
    QLabel* nameCaption2;
    QLineEdit* name;
    QLabel* nameHint;
    QLabel* urlCaption;
    QLineEdit* url;
    QLabel* urlHint;
};

struct SiteFieldNames
{
    const char* bannerCaption;
    const char* banner;
    const char* bannerHint;
    const char* nameCaption;
    const char* nameCaption2;
    const char* name;
    const char* nameHint;
    const char* urlCaption;
    const char* url;
    const char* urlHint;
};

// What a URL field holds at first and again after 追加.
const QString startUrl = u"http://"_s;

const QString exampleBanner = u"例　：　http://www.example.jp/img/banner.gif"_s;
const QString examplePage = u"例　：　http://www.example.jp/index.html"_s;

SiteFields siteFields(QGroupBox* frame, const SiteFieldNames& n, const QString& nameHint)
{
    SiteFields f{};
    f.bannerCaption =
        make<QLabel>(frame, n.bannerCaption, QString::fromUtf16(caption::banner), 120, 240, 1215, 255);
    f.banner = make<QLineEdit>(frame, n.banner, startUrl, 1320, 240, 9015, 270);
    f.bannerHint = make<QLabel>(frame, n.bannerHint, exampleBanner, 1320, 600, 9015, 255);
    f.nameCaption =
        make<QLabel>(frame, n.nameCaption, QString::fromUtf16(caption::siteName), 120, 840, 1215, 255);
    f.nameCaption2 = make<QLabel>(frame, n.nameCaption2, QString::fromUtf16(caption::siteNameSecondLine), 120,
                                  1080, 1215, 255);
    f.name = make<QLineEdit>(frame, n.name, QString(), 1320, 840, 9015, 270);
    f.nameHint = make<QLabel>(frame, n.nameHint, nameHint, 1320, 1155, 9015, 255);
    f.urlCaption =
        make<QLabel>(frame, n.urlCaption, QString::fromUtf16(caption::siteUrl), 120, 1440, 1215, 255);
    f.url = make<QLineEdit>(frame, n.url, startUrl, 1320, 1440, 9015, 270);
    f.urlHint = make<QLabel>(frame, n.urlHint, examplePage, 1320, 1755, 9015, 255);
    f.banner->setAccessibleName(f.bannerCaption->text());
    f.name->setAccessibleName(f.nameCaption->text() + f.nameCaption2->text());
    f.url->setAccessibleName(f.urlCaption->text());
    f.bannerCaption->setBuddy(f.banner);
    f.nameCaption->setBuddy(f.name);
    f.urlCaption->setBuddy(f.url);
    return f;
}

// A URL field shorter than this is taken as left empty (the start text "http://" has 7).
constexpr qsizetype shortestUrl = 8;

const QString pickALine = u"リンクＨＰリストから項目を選んでください。"_s;

// Characters as the user counts them: a pair of surrogates is one character.
qsizetype characterCount(QStringView text)
{
    qsizetype count = text.size();
    for (qsizetype i = 1; i < text.size(); ++i) {
        if (text[i].isLowSurrogate() && text[i - 1].isHighSurrogate())
            --count;
    }
    return count;
}

// The line to move up or down: -1 after telling the user why nothing can move.
int lineToMove(Platform& platform, QWidget* parent, int count, int row)
{
    if (count < 2) {
        showMessage(platform, parent, u"２項目以上入れてください。"_s);
        return -1;
    }
    if (row < 0)
        showMessage(platform, parent, pickALine);
    return row;
}

// The dialog's name is a full path; anything shorter than this is taken as no name at all.
constexpr qsizetype shortestFileName = 4;

// Both dialogs offer text files first, then every file, and the name "link.txt" in this directory;
// once a list file was opened or saved, that file in its folder.
FileDialogRequest listFileDialog(const QString& directory, const QString& listFile = QString())
{
    FileDialogRequest request;
    request.filters = {u"ﾃｷｽﾄﾌｧｲﾙ (*.txt)"_s, u"All Files (*)"_s};
    request.fileName = u"link.txt"_s;
    request.directory = directory;
    if (!listFile.isEmpty()) {
        const QFileInfo file(listFile);
        request.fileName = file.fileName();
        request.directory = file.absolutePath();
    }
    return request;
}

// The page option text boxes: the part of PageInputs each shows, and the list file field that sets it.
struct PageOptionBox
{
    QString PageInputs::*value;
    ListFileField field;
    QLineEdit* main1::*box;
};

constexpr std::array<PageOptionBox, listFileFields.size()> pageOptionBoxes{{
    {&PageInputs::fileName, ListFileField::FileName, &main1::Text4},
    {&PageInputs::backgroundImage, ListFileField::BackgroundImage, &main1::Text5},
    {&PageInputs::title, ListFileField::Title, &main1::Text6},
    {&PageInputs::ownBanner, ListFileField::OwnBanner, &main1::Text7},
    {&PageInputs::ownName, ListFileField::OwnName, &main1::Text8},
    {&PageInputs::ownUrl, ListFileField::OwnUrl, &main1::Text9},
}};

// The background buttons, for PageInputs::background 1 to 9.
constexpr std::array<QRadioButton * main1::*, backgroundChoices> backgroundButtons{
    &main1::Option1, &main1::Option2, &main1::Option3, &main1::Option4, &main1::Option5,
    &main1::Option6, &main1::Option7, &main1::Option8, &main1::Option9,
};

} // namespace

main1::main1(Platform& platform, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      m_platform(platform)
{
    setObjectName(u"main1"_s);
    setWindowTitle(u"ＳｉｔｅＬｏｏｍ"_s);
    buildControls();
    buildList();
    buildFind();
    buildMenuBar();
    setFocusOrder();
    connectHandlers();
    keepTextBoxesSingleLine(this);
    exposeObjectNames(this);
    resize(fittedSize());
    Command1->setFocus();
    Form_Load();
}

// The undo history is a child that goes after the window's own part is gone, and clearing itself it
// still says its index changed: that must no longer reach the window nor the import window. The
// preview's folder goes with the window.
main1::~main1()
{
    if (!m_previewPath.isEmpty())
        QDir(m_previewPath).removeRecursively();
    disconnect(m_list->undoStack(), nullptr, nullptr, nullptr);
}

QUndoStack* main1::undoStack() const
{
    return m_list->undoStack();
}

fm1* main1::chooserWindow() const
{
    return m_chooser;
}

frmabt* main1::aboutWindow() const
{
    return m_about;
}

void main1::buildControls()
{
    // The controls stand where the layout places them, on a client area that scrolls when the window
    // is smaller than it (a small screen, a large font) and grows with the window beyond it.
    auto* area = new QScrollArea(this);
    area->setObjectName(u"clientArea"_s);
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    auto* client = new QWidget;
    client->setObjectName(u"client"_s);
    client->setMinimumSize(twips(10905), twips(8250));
    area->setWidget(client);
    setCentralWidget(area);
    m_client = client;
    client->installEventFilter(this);

    Label3 = make<QLabel>(client, "Label3", u"簡単・ＨＰリンクファイル作成"_s, 120, 60, 4455, 375);
    Label3->setFont(minchoFont(14.25, true));
    QPalette red = Label3->palette();
    red.setColor(QPalette::WindowText, QColor(0xFF, 0x00, 0x00));
    Label3->setPalette(red);
    Label19 = make<QLabel>(client, "Label19", QString::fromUtf16(caption::title), 5520, 165, 1575, 255);
    Text6 = make<QLineEdit>(client, "Text6", QString(), 7080, 120, 1935, 270);
    Text6->setAccessibleName(Label19->text());
    Label19->setBuddy(Text6);
    Line2 = line(client, "Line2", 120, 480, 10800);
    Label2 = make<QLabel>(client, "Label2", QString::fromUtf16(caption::baseDirectory), 120, 645, 2055, 255);
    Command1 = make<QPushButton>(client, "Command1", QString::fromUtf16(caption::chooseDirectory), 2160, 600,
                                 615, 255);
    Label1 = make<QLabel>(client, "Label1", QString(), 2880, 600, 7935, 255);
    Label1->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Label1->setTextFormat(Qt::PlainText); // a directory name, never markup
    Line1 = line(client, "Line1", 120, 960, 10800);

    Frame3 = make<QGroupBox>(client, "Frame3", QString::fromUtf16(caption::backgroundFrame), 120, 1080, 10695,
                             1095);
    Option1 = colourOption(Frame3, "Option1", u"背景色なし"_s, 120, 240, 0);
    Option2 = colourOption(Frame3, "Option2", u"そらいろ"_s, 1440, 240, 0x80FFFF);
    Option3 = colourOption(Frame3, "Option3", u"きいろ"_s, 2760, 240, 0xFFFF80);
    Option4 = colourOption(Frame3, "Option4", u"オレンジ"_s, 4080, 240, 0xFFC080);
    Option5 = colourOption(Frame3, "Option5", u"みどり"_s, 5400, 240, 0x80FF80);
    Option6 = colourOption(Frame3, "Option6", u"あいいろ"_s, 6720, 240, 0xC0C0FF);
    Option7 = colourOption(Frame3, "Option7", u"ピンク"_s, 8040, 240, 0xFFC0C0);
    Option8 = colourOption(Frame3, "Option8", u"むらさき"_s, 9360, 240, 0xFFC0FF);
    Option9 = colourOption(Frame3, "Option9", QString::fromUtf16(caption::backgroundImage), 120, 540, 0);
    Text5 = make<QLineEdit>(Frame3, "Text5", QString(), 1440, 520, 9135, 270);
    Text5->setAccessibleName(u"背景画像ＵＲＬ"_s);
    Label18 = make<QLabel>(Frame3, "Label18", u"例　：　http://www.example.jp/img/back.gif"_s, 1440, 840,
                           5415, 255);

    List1 = make<EntryListView>(client, "List1", QString(), listLeft, listTop, listWidth, listHeight);

    SSTab1 = make<QTabWidget>(client, "SSTab1", QString(), 120, 4560, 10695, 2535);
    auto* tab0 = new QWidget;
    tab0->setObjectName(u"SSTab1_tab0"_s);
    auto* tab1 = new QWidget;
    tab1->setObjectName(u"SSTab1_tab1"_s);
    SSTab1->addTab(tab0, u"１項目入力して下のボタンを押す"_s);
    SSTab1->addTab(tab1, u"自分のバナーとＵＲＬを入力"_s);
    SSTab1->setCurrentIndex(0);

    // The frames stand 360 twips below the top of the tab control, which is about where a tab
    // page begins; they sit at the top of their page.
    Frame1 = make<QGroupBox>(tab0, "Frame1", u"登録ＨＰ情報（１件分）"_s, 60, 0, 10455, 2055);
    const SiteFields link = siteFields(
        Frame1,
        {"Label4", "Text1", "Label7", "Label5", "Label15", "Text2", "Label8", "Label6", "Text3", "Label9"},
        u"例　：　そよかダイビングＷＥＢ　　　　　　　　　途中で改行したい場合、　<BR>　を半角にて入れて下さい"_s);
    Label4 = link.bannerCaption;
    Text1 = link.banner;
    Label7 = link.bannerHint;
    Label5 = link.nameCaption;
    Label15 = link.nameCaption2;
    Text2 = link.name;
    Label8 = link.nameHint;
    Label6 = link.urlCaption;
    Text3 = link.url;
    Label9 = link.urlHint;
    Label8->setTextFormat(Qt::PlainText);

    Frame4 = make<QGroupBox>(tab1, "Frame4", QString::fromUtf16(caption::ownSiteFrame), 60, 0, 10455, 2055);
    const SiteFields own = siteFields(Frame4,
                                      {"Label20", "Text7", "Label23", "Label21", "Label26", "Text8",
                                       "Label24", "Label22", "Text9", "Label25"},
                                      u"例　：　そよかダイビングＷＥＢ"_s);
    Label20 = own.bannerCaption;
    Text7 = own.banner;
    Label23 = own.bannerHint;
    Label21 = own.nameCaption;
    Label26 = own.nameCaption2;
    Text8 = own.name;
    Label24 = own.nameHint;
    Label22 = own.urlCaption;
    Text9 = own.url;
    Label25 = own.urlHint;

    Label10 = make<QLabel>(client, "Label10", u"上の３つの項目に入れたらこの"_s, 120, 7245, 2535, 255);
    Command2 = make<QPushButton>(client, "Command2", u"追　加"_s, 2520, 7200, 855, 255);
    Label11 = make<QLabel>(client, "Label11", u"ボタンを押す。"_s, 3480, 7245, 1455, 255);
    Label12 = make<QLabel>(client, "Label12", u"削除したいＨＰがある場合は、「ＨＰリンクリスト」で選んで"_s,
                           120, 7620, 4455, 255);
    Command3 = make<QPushButton>(client, "Command3", u"削　除"_s, 4440, 7605, 855, 255);
    Label13 = make<QLabel>(client, "Label13", u"ボタンを押す。"_s, 5400, 7620, 1335, 255);
    Label17 = make<QLabel>(client, "Label17", u"編集したいＨＰがある場合は、「ＨＰリンクリスト」で選んで"_s,
                           120, 7935, 4455, 255);
    Command7 = make<QPushButton>(client, "Command7", u"編　集"_s, 4440, 7920, 855, 255);
    Label16 = make<QLabel>(client, "Label16", u"終わったら追加。"_s, 5400, 7935, 1575, 255);
    Label16->setFont(gothicFont(9, true));
    Frame2 = make<QGroupBox>(client, "Frame2", u"項目入れ換え"_s, 7080, 7200, 1815, 975);
    Command5 = make<QPushButton>(Frame2, "Command5", u"ひとつ上に"_s, 120, 240, 1575, 255);
    Command6 = make<QPushButton>(Frame2, "Command6", u"ひとつ下に"_s, 120, 600, 1575, 255);
    Label14 = make<QLabel>(client, "Label14", QString::fromUtf16(caption::fileName), 9000, 7200, 1815, 255);
    Text4 = make<QLineEdit>(client, "Text4", QString(), 9000, 7440, 1815, 270);
    Text4->setFont(minchoFont(9.75));
    Text4->setAccessibleName(Label14->text());
    Label14->setBuddy(Text4);
    Command4 = make<QPushButton>(client, "Command4", u"html 作成"_s, 9000, 7800, 1815, 375);
    Command4->setFont(minchoFont(9.75, true));

    // Buttons whose captions are instructions keep them tight: the layout leaves no room for the
    // style's default padding.
    for (QPushButton* b : client->findChildren<QPushButton*>())
        b->setAutoDefault(false);
    showPageOptions(PageInputs{});

    // What stands below the list moves down by as much as the list grows.
    const int listBottom = twips(listTop + listHeight);
    for (QWidget* control : client->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (control->y() >= listBottom)
            m_belowList.append({control, control->pos()});
    }
}

// The list takes whatever room the client area has beyond the layout's; the find field stands above
// it while it is open.
void main1::placeList()
{
    // The find field's height in twips when it stands above the list.
    constexpr int findHeight = 300;
    const QSize extra = m_client->size() - m_client->minimumSize();
    const int findRoom = findField && !findField->isHidden() ? findHeight : 0;
    if (findField)
        placeTwips(findField, listLeft, listTop, listWidth, findHeight - 30);
    placeTwips(List1, listLeft, listTop + findRoom, listWidth, listHeight - findRoom);
    List1->resize(List1->size() + extra.expandedTo(QSize(0, 0)));
    if (findField)
        findField->resize(findField->width() + std::max(extra.width(), 0), findField->height());
    for (const auto& [control, at] : std::as_const(m_belowList))
        control->move(at.x(), at.y() + std::max(extra.height(), 0));
}

bool main1::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_client && event->type() == QEvent::Resize)
        placeList();
    return QMainWindow::eventFilter(watched, event);
}

// The window opens at the layout's size, but never larger than the screen's available area: the
// client area scrolls instead.
QSize main1::fittedSize() const
{
    const QSize wanted = m_client->minimumSize() + QSize(0, menuBar()->sizeHint().height());
    const QScreen* display = screen();
    if (!display)
        return wanted;
    const QSize borders = frameGeometry().size() - geometry().size();
    const QSize room = display->availableGeometry().size() - borders;
    // A scroll bar one way takes room the other way.
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    QSize fitted = wanted;
    if (wanted.height() > room.height())
        fitted.rwidth() += bar;
    if (wanted.width() > room.width())
        fitted.rheight() += bar;
    return fitted.boundedTo(room);
}

void main1::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // Once on screen the window's borders are known, and the size is bounded again with them.
    if (!event->spontaneous() && !m_sized) {
        m_sized = true;
        resize(size().boundedTo(fittedSize()));
    }
}

// The list of link entries: a view over the entries' texts, one row each, however many there are.
// Rows move by drag and drop within the list and by Alt+Up and Alt+Down; Delete does what 削除 does.
void main1::buildList()
{
    m_list = new UndoableEntryList(this);
    m_listModel = m_list->model();
    m_listModel->setFont(List1->font());
    List1->setModel(m_listModel);
    List1->setSelectionModel(m_list->selection());
    connect(m_list, &UndoableEntryList::rowSelected, List1,
            [this](const QModelIndex& index) { List1->scrollTo(index); });
    auto* delegate = new EntryDelegate(m_listModel, List1);
    List1->setItemDelegate(delegate);
    // Every row is as high as the others and as wide as the widest, which the model knows without
    // measuring each row; a long row scrolls the list sideways.
    connect(m_listModel, &EntryListModel::widestRowChanged, delegate,
            [delegate] { emit delegate->sizeHintChanged(QModelIndex()); });
    List1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    List1->setTextElideMode(Qt::ElideNone);
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    List1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    List1->setDragEnabled(true);
    List1->setAcceptDrops(true);
    List1->setDropIndicatorShown(true);
    List1->setDragDropMode(QAbstractItemView::DragDrop);
    List1->setDefaultDropAction(Qt::MoveAction);
    List1->setAccessibleName(u"ＨＰリンクリスト"_s);

    const auto listKey = [this](const QKeySequence& key, auto handler) {
        auto* shortcut = new QShortcut(key, List1);
        shortcut->setContext(Qt::WidgetShortcut);
        connect(shortcut, &QShortcut::activated, this, handler);
    };
    listKey(QKeySequence(Qt::ALT | Qt::Key_Up), [this] { moveSelectedRow(-1); });
    listKey(QKeySequence(Qt::ALT | Qt::Key_Down), [this] { moveSelectedRow(1); });
    listKey(QKeySequence(Qt::Key_Delete), [this] { Command3_Click(); });
}

// The find field: hidden until Ctrl+F, then above the list, which gives up the room for it; when it
// goes, the list takes back its room and the focus.
void main1::buildFind()
{
    findField = new FindBar(*m_list, List1->parentWidget());
    placeList();
    connect(findField, &FindBar::opened, this, &main1::placeList);
    connect(findField, &FindBar::closed, this, [this] {
        placeList();
        List1->setFocus(Qt::ShortcutFocusReason);
    });
}

// The menu bar: ファイル, 編集, リンク確認 (a check, or a new check in the open window), ソフト情報,
// each reached by Alt and its letter.
void main1::buildMenuBar()
{
    const auto named = [](auto* object, const char* name) {
        object->setObjectName(QLatin1StringView(name));
        return object;
    };
    file = named(menuBar()->addMenu(u"ファイル(&F)"_s), "file");
    fsave = named(file->addAction(u"ファイル保存"_s), "fsave");
    fload = named(file->addAction(u"ファイル読込"_s), "fload");
    // The keys every desktop uses for these, shown beside the entries.
    fsave->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    fload->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    recentMenu = named(file->addMenu(u"最近使ったファイル"_s), "recentMenu");
    importAction = named(file->addAction(u"取り込み"_s), "importAction");
    exportAction = named(file->addAction(u"書き出し"_s), "exportAction");
    previewAction = named(file->addAction(u"プレビュー"_s), "previewAction");
    publishAction = named(file->addAction(u"公開"_s), "publishAction");
    eexit = named(file->addAction(u"終了"_s), "eexit");
    eexit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    editMenu = named(menuBar()->addMenu(u"編集(&E)"_s), "editMenu");
    undoAction = named(editMenu->addAction(QString()), "undoAction");
    undoAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    redoAction = named(editMenu->addAction(QString()), "redoAction");
    redoAction->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    editMenu->addSeparator();
    findAction = named(editMenu->addAction(u"検索"_s), "findAction");
    findAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    updateUndoTexts();
    m_recent = new RecentFiles(m_platform, recentMenu, this);
    connect(m_recent, &RecentFiles::openRequested, this, &main1::openRecentFile);

    // The link check is a menu of its own, so that no single click on the menu bar starts requests.
    checkMenu = named(menuBar()->addMenu(u"リンク確認(&L)"_s), "checkMenu");
    checkAction = named(checkMenu->addAction(u"すべてのリンクを確認"_s), "checkAction");
    checkAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    recheckAction = named(checkMenu->addAction(u"再確認"_s), "recheckAction");
    checkMenu->addSeparator();
    updatesAction = named(checkMenu->addAction(updatesMenuText()), "updatesAction");
    updatesAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_U));
    about = named(menuBar()->addAction(u"ソフト情報(&A)"_s), "about");

    // F10 opens the menu bar's first menu, as on every desktop.
    auto* menuKey = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(menuKey, &QShortcut::activated, this, [this] { menuBar()->setActiveAction(file->menuAction()); });
}

void main1::setFocusOrder()
{
    const QList<QWidget*> order = {Command1, List1,    Command2, Command3, Text4,   Command4, Command5,
                                   Command6, Command7, Option1,  Option2,  Option3, Option4,  Option5,
                                   Text5,    Option6,  Option7,  Option8,  Option9, Text6,    SSTab1,
                                   Text3,    Text2,    Text1,    Text7,    Text8,   Text9};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void main1::connectHandlers()
{
    connect(Command1, &QPushButton::clicked, this, &main1::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &main1::Command2_Click);
    // Enter in one of the entry's fields adds it as 追加 does.
    for (QLineEdit* field : {Text1, Text2, Text3})
        connect(field, &QLineEdit::returnPressed, this, &main1::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &main1::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &main1::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &main1::Command5_Click);
    connect(Command6, &QPushButton::clicked, this, &main1::Command6_Click);
    connect(Command7, &QPushButton::clicked, this, &main1::Command7_Click);
    connect(fsave, &QAction::triggered, this, &main1::fsave_Click);
    connect(fload, &QAction::triggered, this, &main1::fload_Click);
    connect(importAction, &QAction::triggered, this, &main1::importLinks);
    connect(exportAction, &QAction::triggered, this, &main1::exportLinks);
    connect(eexit, &QAction::triggered, this, &main1::eexit_Click);
    connect(about, &QAction::triggered, this, &main1::about_Click);
    connect(previewAction, &QAction::triggered, this, &main1::showPreview);
    connect(publishAction, &QAction::triggered, this, &main1::openPublishWindow);
    connect(undoAction, &QAction::triggered, m_list->undoStack(), &QUndoStack::undo);
    connect(redoAction, &QAction::triggered, m_list->undoStack(), &QUndoStack::redo);
    connect(m_list->undoStack(), &QUndoStack::indexChanged, this, &main1::updateUndoTexts);
    connect(findAction, &QAction::triggered, findField, &FindBar::open);
    connect(checkAction, &QAction::triggered, this, &main1::checkLinks);
    connect(recheckAction, &QAction::triggered, this, &main1::recheckLinks);
    connect(updatesAction, &QAction::triggered, this, &main1::checkUpdates);

    // The title follows the changes since the last save or load.
    m_savedOptions = pageOptions();
    connect(m_list->undoStack(), &QUndoStack::cleanChanged, this, &main1::showUnsavedChanges);
    for (const PageOptionBox& row : pageOptionBoxes)
        connect(this->*row.box, &QLineEdit::textChanged, this, &main1::showUnsavedChanges);
    for (QRadioButton* main1::*button : backgroundButtons)
        connect(this->*button, &QRadioButton::toggled, this, &main1::showUnsavedChanges);
}

PageInputs main1::pageOptions() const
{
    PageInputs options;
    for (const PageOptionBox& row : pageOptionBoxes)
        options.*row.value = (this->*row.box)->text();
    options.background = 0;
    for (int choice = 1; choice <= backgroundChoices; ++choice) {
        if ((this->*backgroundButtons[choice - 1])->isChecked())
            options.background = choice;
    }
    return options;
}

// A box set to its own text would still start its undo history afresh.
void main1::showPageOptions(const PageInputs& options)
{
    for (const PageOptionBox& row : pageOptionBoxes) {
        QLineEdit* box = this->*row.box;
        if (box->text() != options.*row.value)
            box->setText(options.*row.value);
    }
    if (options.background > 0)
        (this->*backgroundButtons[options.background - 1])->setChecked(true);
}

PageInputs main1::pageInputs() const
{
    PageInputs inputs = pageOptions();
    inputs.entries = m_listModel->entries();
    return inputs;
}

// Start-up: the remembered start directory becomes the base directory and the current directory.
// A missing or stale directory stays in Label1 as it was remembered; nothing is reported.
void main1::Form_Load()
{
    Label1->setText(dirs_proc2(m_platform, 1, u"siteloom"_s));
    (void)m_platform.setCurrentDrive(m_platform.driveOf(Label1->text()));
    (void)m_platform.setCurrentDirectory(Label1->text());
}

void main1::Command1_Click()
{
    if (!m_chooser) {
        m_chooser = new fm1(m_platform, this);
        connect(m_chooser, &fm1::directoryChosen, Label1, &QLabel::setText);
        m_chooser->show();
    }
    m_chooser->raise();
    m_chooser->activateWindow();
}

void main1::about_Click()
{
    if (!m_about) {
        m_about = new frmabt(m_platform, this);
        m_about->show();
    }
    m_about->raise();
    m_about->activateWindow();
}

// The check runs on the list as it stands now, in a window of its own; the main window stays usable
// and tells the window of every change to the list, so that results whose entry is gone say so.
// A second request while one is open checks the list again there.
void main1::checkLinks()
{
    const PageInputs inputs = pageInputs();
    const CheckInputs check{inputs.entries, inputs.ownUrl, inputs.ownBanner};
    if (m_linkCheck) {
        m_linkCheck->recheck(check);
    } else {
        m_linkCheck = new LinkCheckWindow(m_platform, check, this);
        connect(m_linkCheck, &LinkCheckWindow::entryActivated, this, &main1::selectCheckedEntry);
        connect(m_linkCheck, &LinkCheckWindow::recheckRequested, this, &main1::recheckLinks);
        connect(m_linkCheck, &LinkCheckWindow::urlUpdateRequested, this, &main1::updateCheckedUrls);
        const auto tell = [this] {
            if (m_linkCheck)
                m_linkCheck->setListEntries(m_listModel->entries());
        };
        connect(m_listModel, &QAbstractItemModel::rowsInserted, m_linkCheck, tell);
        connect(m_listModel, &QAbstractItemModel::rowsRemoved, m_linkCheck, tell);
        connect(m_listModel, &QAbstractItemModel::rowsMoved, m_linkCheck, tell);
        connect(m_listModel, &QAbstractItemModel::modelReset, m_linkCheck, tell);
        connect(m_listModel, &QAbstractItemModel::dataChanged, m_linkCheck, tell);
        m_linkCheck->show();
    }
    m_linkCheck->raise();
    m_linkCheck->activateWindow();
}

// The partners' updates, in a window of their own over the list as it stands; a second request while
// it is open checks again there.
void main1::checkUpdates()
{
    if (m_updates) {
        m_updates->setListEntries(m_listModel->entries());
        m_updates->check();
    } else {
        m_updates = new UpdatesWindow(m_platform, m_listModel->entries(), this);
        m_updates->show();
    }
    m_updates->raise();
    m_updates->activateWindow();
}

void main1::recheckLinks()
{
    if (!m_linkCheck) {
        checkLinks();
        return;
    }
    const PageInputs inputs = pageInputs();
    m_linkCheck->recheck({inputs.entries, inputs.ownUrl, inputs.ownBanner});
}

void main1::updateCheckedUrls(const QStringList& entries, const QList<int>& rows, const QStringList& updated)
{
    QUndoStack* undo = m_list->undoStack();
    undo->beginMacro(updateUrlUndoText());
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const int found = findCheckedEntry(entries[i], rows[i]);
        if (found >= 0)
            m_list->replace(found, updated[i], updateUrlUndoText());
    }
    undo->endMacro();
}

void main1::selectEntry(int row)
{
    if (row < 0 || row >= m_listModel->rowCount())
        return;
    const QModelIndex index = m_listModel->index(row);
    List1->setCurrentIndex(index);
    List1->scrollTo(index);
    raise();
    activateWindow();
}

int main1::findCheckedEntry(const QString& entry, int row) const
{
    int found = -1;
    for (int i = 0; i < m_listModel->count(); ++i) {
        if (m_listModel->entry(i) == entry && (found < 0 || std::abs(i - row) < std::abs(found - row)))
            found = i;
    }
    return found;
}

void main1::selectCheckedEntry(const QString& entry, int row)
{
    const int found = findCheckedEntry(entry, row);
    if (found < 0)
        showMessage(m_platform, this, checkedEntryGoneMessage(entry));
    else
        selectEntry(found);
}

// "終了" closes the window as its close box does, with the same question, and ends the tool only
// when the window closed.
void main1::eexit_Click()
{
    if (close())
        m_platform.quit();
}

bool main1::hasUnsavedChanges() const
{
    return !m_list->undoStack()->isClean() || pageOptions() != m_savedOptions;
}

// The list and the page options as they stand are the ones of the list file.
void main1::markSaved()
{
    m_list->undoStack()->setClean();
    m_savedOptions = pageOptions();
    showUnsavedChanges();
}

void main1::showUnsavedChanges()
{
    const QString title = u"ＳｉｔｅＬｏｏｍ"_s;
    setWindowTitle(hasUnsavedChanges() ? u'*' + title : title);
}

// With changes since the last save or load, asks whether to save them first; false keeps the window.
bool main1::mayClose()
{
    if (!hasUnsavedChanges())
        return true;
    MessageRequest question;
    question.text = saveChangesQuestion();
    question.title = QString::fromUtf16(applicationTitle);
    question.icon = QMessageBox::Question;
    question.buttons = QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel;
    question.defaultButton = QMessageBox::Save;
    question.buttonTexts = {{QMessageBox::Save, saveChangesSaveButton()},
                            {QMessageBox::Discard, saveChangesDiscardButton()},
                            {QMessageBox::Cancel, saveChangesCancelButton()}};
    question.objectName = u"saveChangesBox"_s;
    switch (m_platform.messageBox(this, question)) {
    case QMessageBox::Save:
        return fsave_Click();
    case QMessageBox::Discard:
        return true;
    default:
        return false;
    }
}

// Closing the main window ends the tool: the chooser, the about and the link check windows go with it.
// Changes not saved are asked about first, whichever way the window is closed.
void main1::closeEvent(QCloseEvent* event)
{
    if (!mayClose()) {
        event->ignore();
        return;
    }
    if (m_chooser)
        m_chooser->close();
    if (m_about)
        m_about->close();
    if (m_linkCheck)
        m_linkCheck->close();
    event->accept();
}

// Add: the three fields become one link entry at the end of the list. A banner field left (nearly)
// empty takes the default banner first, and keeps it even when the other fields are refused.
void main1::Command2_Click()
{
    if (characterCount(Text1->text()) < shortestUrl)
        Text1->setText(QString::fromUtf16(defaultBannerUrl));
    const QString banner = Text1->text();
    const QString name = Text2->text();
    const QString url = Text3->text();
    if (characterCount(url) < shortestUrl || name.isEmpty() || characterCount(banner) < shortestUrl) {
        showMessage(m_platform, this, u"項目にデータを入れてください"_s);
        return;
    }
    // The name is kept as typed: its spaces and markup such as <BR> are the user's layout.
    appendEntries({composeEntry({trimBlanks(banner), name, trimBlanks(url)})}, u"追加"_s);
    Text1->setText(startUrl);
    Text2->clear();
    Text3->setText(startUrl);
}

// Delete (also the Delete key on the list): removes the selected line at once and selects the next.
void main1::Command3_Click()
{
    if (m_listModel->count() == 0) {
        showMessage(m_platform, this, u"項目を入れてください。"_s);
        return;
    }
    const int row = m_list->selectedRow();
    if (row < 0) {
        showMessage(m_platform, this, u"削除する項目をリンクＨＰリストから選んでください。"_s);
        return;
    }
    m_list->remove(row, u"削除"_s);
    // The entry that took its place is selected, or the new last one, so Delete can go on.
    if (const int count = m_listModel->count(); count > 0)
        m_list->selectRow(std::min(row, count - 1));
}

// Move up: the selected line changes places with the one above it; the top line stays.
void main1::Command5_Click()
{
    const int row = lineToMove(m_platform, this, m_listModel->count(), m_list->selectedRow());
    if (row <= 0)
        return;
    m_list->move(row, row - 1, UndoableEntryList::AfterMove::SelectNothing);
}

// Move down: the selected line changes places with the one below it; the bottom line stays.
void main1::Command6_Click()
{
    const int row = lineToMove(m_platform, this, m_listModel->count(), m_list->selectedRow());
    if (row < 0 || row == m_listModel->count() - 1)
        return;
    m_list->move(row, row + 1, UndoableEntryList::AfterMove::SelectNothing);
}

// Edit: the selected entry goes back into the fields of the first tab, unseen if the other tab is
// in front, and leaves the list; the add button puts it back at the end. What the fields held is
// overwritten.
void main1::Command7_Click()
{
    const int row = m_list->selectedRow();
    if (row < 0) {
        showMessage(m_platform, this, pickALine);
        return;
    }
    // Missing fields of a short entry come back empty, so the whole line is in the fields.
    const LinkEntry entry = splitEntry(m_listModel->entry(row));
    // A field cuts off text beyond its length limit; an entry that long (only a hand-edited list
    // file holds one) stays in the list rather than lose its end.
    if (entry.bannerUrl.size() > Text1->maxLength() || entry.siteName.size() > Text2->maxLength() ||
        entry.siteUrl.size() > Text3->maxLength()) {
        showMessage(m_platform, this, u"この項目は長すぎて入力欄に入りきらないため、編集できません。"_s);
        return;
    }
    Text1->setText(entry.bannerUrl);
    Text2->setText(entry.siteName);
    Text3->setText(entry.siteUrl);
    m_list->remove(row, u"編集"_s);
}

// "html 作成": writes the link page from the list and the page options into the base directory.
// The page is written whole or not at all; the success message comes only after it is in place.
// It never replaces the list file last loaded or saved.
void main1::Command4_Click()
{
    if (!writePageOrSay().isEmpty())
        showMessage(m_platform, this, pageWrittenMessage());
}

QString main1::writePageOrSay()
{
    if (const PageInputsProblem problem = checkPageInputs(m_listModel->count(), Text4->text());
        problem != PageInputsProblem::None) {
        showMessage(m_platform, this, pageInputsMessage(problem, Text4->text()));
        return {};
    }
    const QString pagePath = pageFilePath(Label1->text(), Text4->text());
    if (!m_listFilePath.isEmpty() && isSameFile(pagePath, m_listFilePath)) {
        showMessage(m_platform, this, pageWouldReplaceListFileMessage(QDir::toNativeSeparators(pagePath)));
        return {};
    }

    QString path;
    FileError error;
    if (!writePageFile(Label1->text(), pageInputs(), &path, &error)) {
        QString message = pageNotWrittenMessage(path, error);
        if (Label1->text().isEmpty())
            message += u'\n' + chooseBaseDirectoryHint();
        showMessage(m_platform, this, message);
        return {};
    }
    // A blank title became the default one on the page; so it does in the window, once the page is
    // written.
    if (const QString title = pageTitle(Text6->text()); title != Text6->text())
        Text6->setText(title);
    return path;
}

// 公開 (publishAction): the page is written afresh each time the window asks for it, then uploaded.
void main1::openPublishWindow()
{
    if (!m_publish) {
        if (!m_keyring)
            m_keyring = desktopKeyring();
        m_publish = new PublishWindow(m_platform, *m_keyring, this);
        connect(m_publish, &PublishWindow::pageWanted, this, [this] {
            if (const QString path = writePageOrSay(); !path.isEmpty())
                m_publish->publish(path);
        });
    }
    m_publish->setBaseDirectory(Label1->text());
    m_publish->show();
    m_publish->raise();
    m_publish->activateWindow();
}

PublishWindow* main1::publishWindowShown() const
{
    return m_publish;
}

void main1::setKeyring(std::unique_ptr<Keyring> keyring)
{
    m_keyring = std::move(keyring);
}

void main1::moveSelectedRow(int by)
{
    const int row = m_list->selectedRow();
    if (row < 0 || row + by < 0 || row + by >= m_listModel->count())
        return;
    m_list->move(row, row + by, UndoableEntryList::AfterMove::SelectMoved);
}

void main1::appendEntries(const QStringList& entries, const QString& undoText)
{
    m_list->append(entries, undoText);
}

// The menu entries name the step they would undo or redo.
void main1::updateUndoTexts()
{
    const QUndoStack* undo = m_list->undoStack();
    const auto name = [](const QString& action, const QString& step) {
        return step.isEmpty() ? action : u"%1（%2）"_s.arg(action, step);
    };
    undoAction->setText(name(u"元に戻す"_s, undo->canUndo() ? undo->undoText() : QString()));
    undoAction->setEnabled(undo->canUndo());
    redoAction->setText(name(u"やり直し"_s, undo->canRedo() ? undo->redoText() : QString()));
    redoAction->setEnabled(undo->canRedo());
}

// "プレビュー": the page html 作成 would write, after the same checks, goes into a private
// temporary directory of this run and opens in the browser. The base directory and the title
// field stay as they are.
void main1::showPreview()
{
    if (const PageInputsProblem problem = checkPageInputs(m_listModel->count(), Text4->text());
        problem != PageInputsProblem::None) {
        showMessage(m_platform, this, pageInputsMessage(problem, Text4->text()));
        return;
    }
    QString problem;
    const QString directory = previewDirectory(&problem);
    if (directory.isEmpty()) {
        showMessage(m_platform, this, problem);
        return;
    }
    PageInputs inputs = pageInputs();
    // The page's name does not show in it; the preview has a fixed one, inside its own directory.
    inputs.fileName = u"preview.html"_s;
    QString path;
    FileError error;
    if (!writePageFile(directory, inputs, &path, &error)) {
        showMessage(m_platform, this, pageNotWrittenMessage(path, error));
        return;
    }
    if (!m_platform.openInBrowser(QUrl::fromLocalFile(QDir::fromNativeSeparators(path))))
        showMessage(
            m_platform, this,
            u"ブラウザを起動できませんでした。プレビューのページは次の場所にあります。\n%1"_s.arg(path));
}

// The run's preview folder, made at the first preview and again when it has gone: a new folder
// under the system's temporary folder, by its absolute path. Qt gives no temporary folder at all
// when TMPDIR names one that does not exist, and a folder made by a relative name would land in the
// current directory, that is among the site's pages; so would one under a TMPDIR inside the base
// directory. Both are refused.
QString main1::previewDirectory(QString* problem)
{
    if (!m_previewPath.isEmpty() && QFileInfo(m_previewPath).isDir())
        return m_previewPath;
    const QString temp = QDir::tempPath();
    if (temp.isEmpty() || QDir::isRelativePath(temp)) {
        *problem = previewNoTemporaryFolderMessage(QDir::toNativeSeparators(qEnvironmentVariable("TMPDIR")));
        return {};
    }
    const QString base = QFileInfo(Label1->text()).canonicalFilePath();
    if (!base.isEmpty() && (temp == base || temp.startsWith(base + u'/'))) {
        *problem = previewFolderInsideBaseMessage(QDir::toNativeSeparators(temp));
        return {};
    }
    QByteArray name = QFile::encodeName(QDir(temp).filePath(u"siteloom-preview-XXXXXX"_s));
    if (!::mkdtemp(name.data())) {
        const FileError error{QDir::toNativeSeparators(temp), systemReason(errno, temp)};
        *problem = pageNotWrittenMessage(temp, error);
        return {};
    }
    m_previewPath = QFile::decodeName(name);
    return m_previewPath;
}

// Saves the list and the page options. Nothing is written when the list is empty or when a
// character cannot be saved; a file that cannot be written is reported and an existing file of that
// name stays as it was.
bool main1::fsave_Click()
{
    if (m_listModel->count() == 0) {
        showMessage(m_platform, this, u"リストに項目を追加してください。"_s);
        return false;
    }
    const PageInputs inputs = pageInputs();
    if (const std::optional<UnencodableText> where = findUnencodable(inputs)) {
        showMessage(m_platform, this, listFileUnencodableMessage(*where));
        return false;
    }

    // The dialog opens on the base directory when it can be made current, else wherever we are.
    (void)m_platform.setCurrentDrive(m_platform.driveOf(Label1->text()));
    (void)m_platform.setCurrentDirectory(Label1->text());
    const QString path =
        m_platform.saveFileName(this, listFileDialog(m_platform.currentDirectory(), m_listFilePath));
    if (path.size() < shortestFileName)
        return false;

    ListFileSaveError error;
    if (!saveListFile(path, inputs, &error)) {
        showMessage(m_platform, this, listFileNotSavedMessage(error));
        return false;
    }
    m_listFilePath = path;
    m_recent->remember(path);
    markSaved();
    showMessage(m_platform, this, u"書込み完了"_s);
    return true;
}

// "ファイル読込": asks for a list file and loads it.
void main1::fload_Click()
{
    const QString path = m_platform.openFileName(this, listFileDialog(m_platform.currentDirectory()));
    if (path.size() < shortestFileName)
        return;
    loadListFile(path);
}

// Loads a list file into the window. The whole file is read and parsed, and the window's new state
// built, before anything in the window changes: a file that cannot be read, is not Shift_JIS text
// or does not fit into memory changes nothing. Otherwise the file is applied and one message says
// how the load went.
void main1::loadListFile(const QString& path)
{
    QString problem;
    try {
        ListFileContent content;
        ListFileReadError error;
        if (readListFile(path, &content, &error)) {
            applyListFileContent(content, u"ファイル読込"_s);
        } else {
            problem = listFileUnreadableMessage(error);
        }
        if (problem.isEmpty()) {
            m_listFilePath = path;
            m_recent->remember(path);
            markSaved();
            problem = listFileLoadMessage(path, content);
        }
    } catch (const std::bad_alloc&) {
        problem = u"メモリが足りないため、ファイルを読み込めませんでした。\n%1\n"
                  u"ほかのプログラムを終了してから、もう一度読み込んでください。"_s.arg(
                      QDir::toNativeSeparators(path));
    }
    showMessage(m_platform, this, problem);
}

// The list is replaced when the file has a count line; a field or the background changes only when
// the file sets it. The step keeps what it replaced and exchanges the two on undo and redo, so no
// list is copied.
void main1::applyListFileContent(const ListFileContent& content, const QString& undoText)
{
    PageInputs after = pageOptions();
    for (const PageOptionBox& row : pageOptionBoxes) {
        if (const std::optional<QString>& value = content.field(row.field))
            after.*row.value = *value;
    }
    if (content.background)
        after.background = *content.background;
    pushPageOptions(after, content.entries, undoText);
}

// The step keeps what it replaced and exchanges the two on undo and redo, so no list is copied.
void main1::pushPageOptions(const PageInputs& options, std::optional<QStringList> entries,
                            const QString& undoText)
{
    const PageInputs before = pageOptions();
    const bool replacesList = entries.has_value();
    auto other = std::make_shared<QStringList>(replacesList ? std::move(*entries) : QStringList());
    const auto exchange = [this, other, replacesList](const PageInputs& fields) {
        if (replacesList)
            m_listModel->swapEntries(other.get());
        showPageOptions(fields);
    };
    m_list->push(
        undoText,
        [this, exchange, options, replacesList] {
            exchange(options);
            if (replacesList)
                m_list->selectRow(-1);
        },
        [exchange, before] { exchange(before); });
}

// A recent file loads as ファイル読込 loads it; one that has gone leaves the menu. One that is there
// but is no longer a regular file (a folder, a FIFO) is refused by the load, which says what it is.
void main1::openRecentFile(const QString& path)
{
    if (!QFileInfo::exists(path)) {
        m_recent->forget(path);
        showMessage(m_platform, this,
                    u"ファイルが見つかりません。最近使ったファイルの一覧から外しました。\n%1"_s.arg(
                        QDir::toNativeSeparators(path)));
        return;
    }
    loadListFile(path);
}

// Page options recovered from a page: a load that sets every field and leaves the list alone. With
// no background button on, the buttons stay as they are, as a list file without one leaves them.
void main1::setPageOptions(const PageInputs& options)
{
    PageInputs after = options;
    if (after.background <= 0)
        after.background = pageOptions().background;
    pushPageOptions(after, std::nullopt, u"ページ設定の取り込み"_s);
}

ImportWindow* main1::importWindowShown() const
{
    return m_import;
}

// "取り込み": one import window, modeless beside the main window; a second press brings it forward.
void main1::importLinks()
{
    if (!m_import) {
        m_import = new ImportWindow(m_platform, m_listModel->entries(), this);
        // The window checks what it offers against the list as it stands.
        connect(m_list->undoStack(), &QUndoStack::indexChanged, m_import,
                [this] { m_import->setListEntries(m_listModel->entries()); });
        connect(m_import, &ImportWindow::entriesAccepted, this,
                [this](const QStringList& entries) { appendEntries(entries, u"取り込み"_s); });
        connect(m_import, &ImportWindow::pageOptionsAccepted, this, &main1::setPageOptions);
    }
    m_import->show();
    m_import->raise();
    m_import->activateWindow();
}

// "書き出し": the list as a bookmarks file or as CSV. A name ending in ".csv" or ".html"/".htm" says
// which; a name without an extension takes the type chosen in the dialog, and its extension.
void main1::exportLinks()
{
    if (m_listModel->count() == 0) {
        showMessage(m_platform, this, u"リストに項目を追加してください。"_s);
        return;
    }
    const QString bookmarksFilter = u"ブックマーク (*.html)"_s;
    const QString csvFilter = u"CSV (*.csv)"_s;
    FileDialogRequest request;
    request.filters = {bookmarksFilter, csvFilter};
    request.fileName = u"bookmarks.html"_s;
    request.directory = m_platform.currentDirectory();
    QString filter;
    QString path = m_platform.saveFileName(this, request, &filter);
    if (path.isEmpty())
        return;
    const QString suffix = QFileInfo(path).suffix().toLower();
    ExportFormat format = filter == csvFilter ? ExportFormat::Csv : ExportFormat::Bookmarks;
    if (suffix == u"csv"_s)
        format = ExportFormat::Csv;
    else if (suffix == u"html"_s || suffix == u"htm"_s)
        format = ExportFormat::Bookmarks;
    else if (suffix.isEmpty() && !path.endsWith(u'.'))
        path += format == ExportFormat::Csv ? u".csv"_s : u".html"_s;
    FileError error;
    showMessage(m_platform, this,
                saveExport(path, pageInputs(), format, &error) ? exportWrittenMessage()
                                                               : exportNotWrittenMessage(error));
}

} // namespace siteloom
