#include "main1/main1.h"

#include "dirs/dirs.h"
#include "fm1/fm1.h"
#include "frmabt/frmabt.h"
#include "linkcheck/linkcheckwindow.h"
#include "main1/entrylist.h"
#include "main1/entrylistview.h"
#include "messages/messages.h"
#include "platform.h"
#include "ui/ui.h"

#include <QAction>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QUndoStack>

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

const QString exampleBanner = u"例　：　http://www.example.jp/img/banner.gif"_s;
const QString examplePage = u"例　：　http://www.example.jp/index.html"_s;

SiteFields siteFields(QGroupBox* frame, const SiteFieldNames& n, const QString& nameHint)
{
    SiteFields f{};
    f.bannerCaption =
        make<QLabel>(frame, n.bannerCaption, QString::fromUtf16(caption::banner), 120, 240, 1215, 255);
    f.banner = make<QLineEdit>(frame, n.banner, u"http://"_s, 1320, 240, 9015, 270);
    f.bannerHint = make<QLabel>(frame, n.bannerHint, exampleBanner, 1320, 600, 9015, 255);
    f.nameCaption =
        make<QLabel>(frame, n.nameCaption, QString::fromUtf16(caption::siteName), 120, 840, 1215, 255);
    f.nameCaption2 = make<QLabel>(frame, n.nameCaption2, QString::fromUtf16(caption::siteNameSecondLine), 120,
                                  1080, 1215, 255);
    f.name = make<QLineEdit>(frame, n.name, QString(), 1320, 840, 9015, 270);
    f.nameHint = make<QLabel>(frame, n.nameHint, nameHint, 1320, 1155, 9015, 255);
    f.urlCaption =
        make<QLabel>(frame, n.urlCaption, QString::fromUtf16(caption::siteUrl), 120, 1440, 1215, 255);
    f.url = make<QLineEdit>(frame, n.url, u"http://"_s, 1320, 1440, 9015, 270);
    f.urlHint = make<QLabel>(frame, n.urlHint, examplePage, 1320, 1755, 9015, 255);
    f.banner->setAccessibleName(f.bannerCaption->text());
    f.name->setAccessibleName(f.nameCaption->text() + f.nameCaption2->text());
    f.url->setAccessibleName(f.urlCaption->text());
    f.bannerCaption->setBuddy(f.banner);
    f.nameCaption->setBuddy(f.name);
    f.urlCaption->setBuddy(f.url);
    return f;
}

} // namespace

main1::main1(Platform& platform, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
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
    setFixedSize(sizeHint());
    Command1->setFocus();
    Form_Load();
}

// The undo history is a child that goes after the window's own part is gone, and clearing itself it
// still says its index changed: that must no longer reach the window.
main1::~main1()
{
    disconnect(m_undo, nullptr, this, nullptr);
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
    auto* client = new QWidget(this);
    client->setObjectName(u"client"_s);
    client->setFixedSize(twips(10905), twips(8250));
    setCentralWidget(client);

    Label3 = make<QLabel>(client, "Label3", u"簡単・ＨＰリンクファイル作成"_s, 120, 60, 4455, 375);
    Label3->setFont(minchoFont(14.25, true));
    QPalette red = Label3->palette();
    red.setColor(QPalette::WindowText, QColor(0xFF, 0x00, 0x00));
    Label3->setPalette(red);
    Label19 = make<QLabel>(client, "Label19", QString::fromUtf16(caption::title), 5520, 165, 1575, 255);
    Text6 = make<QLineEdit>(client, "Text6", QString::fromUtf16(defaultPageTitle), 7080, 120, 1935, 270);
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
    Option1->setChecked(true);
    Text5 = make<QLineEdit>(Frame3, "Text5", u"http://"_s, 1440, 520, 9135, 270);
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
    Text4 = make<QLineEdit>(client, "Text4", u"link.html"_s, 9000, 7440, 1815, 270);
    Text4->setFont(minchoFont(9.75));
    Text4->setAccessibleName(Label14->text());
    Label14->setBuddy(Text4);
    Command4 = make<QPushButton>(client, "Command4", u"html 作成"_s, 9000, 7800, 1815, 375);
    Command4->setFont(minchoFont(9.75, true));

    // Buttons whose captions are instructions keep them tight: the layout leaves no room for the
    // style's default padding.
    for (QPushButton* b : client->findChildren<QPushButton*>())
        b->setAutoDefault(false);
}

// The list of link entries: a view over the entries' texts, one row each, however many there are.
// Rows move by drag and drop within the list and by Alt+Up and Alt+Down; Delete does what 削除 does.
void main1::buildList()
{
    m_listModel = new EntryListModel(this);
    m_listModel->setFont(List1->font());
    m_listModel->setMoveHandler([this](int from, int to) { moveRowKeepingSelection(from, to); });
    List1->setModel(m_listModel);
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

    m_undo = new QUndoStack(this);
    // Each step of a load keeps the list it replaced; the history stops somewhere.
    m_undo->setUndoLimit(100);
}

// The menu bar: ファイル, 編集, リンク確認, ソフト情報.
void main1::buildMenuBar()
{
    const auto named = [](auto* object, const char* name) {
        object->setObjectName(QLatin1StringView(name));
        return object;
    };
    file = named(menuBar()->addMenu(u"ファイル"_s), "file");
    fsave = named(file->addAction(u"ファイル保存"_s), "fsave");
    fload = named(file->addAction(u"ファイル読込"_s), "fload");
    // The keys every desktop uses for these, shown beside the entries.
    fsave->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    fload->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    recentMenu = named(file->addMenu(u"最近使ったファイル"_s), "recentMenu");
    importAction = named(file->addAction(u"取り込み"_s), "importAction");
    exportAction = named(file->addAction(u"書き出し"_s), "exportAction");
    previewAction = named(file->addAction(u"プレビュー"_s), "previewAction");
    eexit = named(file->addAction(u"終了"_s), "eexit");
    eexit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    editMenu = named(menuBar()->addMenu(u"編集"_s), "editMenu");
    undoAction = named(editMenu->addAction(QString()), "undoAction");
    undoAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    redoAction = named(editMenu->addAction(QString()), "redoAction");
    redoAction->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    editMenu->addSeparator();
    findAction = named(editMenu->addAction(u"検索"_s), "findAction");
    findAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    updateUndoTexts();
    fillRecentMenu();

    checkAction = named(menuBar()->addAction(u"リンク確認"_s), "checkAction");
    checkAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    about = named(menuBar()->addAction(u"ソフト情報"_s), "about");
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
    connect(Command3, &QPushButton::clicked, this, &main1::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &main1::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &main1::Command5_Click);
    connect(Command6, &QPushButton::clicked, this, &main1::Command6_Click);
    connect(Command7, &QPushButton::clicked, this, &main1::Command7_Click);
    connect(fsave, &QAction::triggered, this, &main1::fsave_Click);
    connect(fload, &QAction::triggered, this, &main1::fload_Click);
    connect(importAction, &QAction::triggered, this, &main1::importAction_Click);
    connect(exportAction, &QAction::triggered, this, &main1::exportAction_Click);
    connect(eexit, &QAction::triggered, this, &main1::eexit_Click);
    connect(about, &QAction::triggered, this, &main1::about_Click);
    connect(previewAction, &QAction::triggered, this, &main1::preview_Click);
    connect(undoAction, &QAction::triggered, m_undo, &QUndoStack::undo);
    connect(redoAction, &QAction::triggered, m_undo, &QUndoStack::redo);
    connect(m_undo, &QUndoStack::indexChanged, this, &main1::updateUndoTexts);
    connect(findAction, &QAction::triggered, this, &main1::showFind);
    connect(checkAction, &QAction::triggered, this, &main1::checkLinks);
}

QRadioButton* main1::backgroundButton(int choice) const
{
    const QRadioButton* const buttons[] = {Option1, Option2, Option3, Option4, Option5,
                                           Option6, Option7, Option8, Option9};
    if (choice < 1 || choice > backgroundChoices)
        return nullptr;
    return const_cast<QRadioButton*>(buttons[choice - 1]);
}

PageInputs main1::pageInputs() const
{
    PageInputs inputs;
    inputs.entries = m_listModel->entries();
    inputs.fileName = Text4->text();
    inputs.background = 0;
    for (int choice = 1; choice <= backgroundChoices; ++choice) {
        if (backgroundButton(choice)->isChecked()) {
            inputs.background = choice;
            break;
        }
    }
    inputs.backgroundImage = Text5->text();
    inputs.title = Text6->text();
    inputs.ownBanner = Text7->text();
    inputs.ownName = Text8->text();
    inputs.ownUrl = Text9->text();
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
        m_chooser = new fm1(m_platform, Label1, this);
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

// The check runs on the list as it stands now, in a window of its own; the main window stays usable.
// A second request while one is open brings that one to the front.
void main1::checkLinks()
{
    if (!m_linkCheck) {
        const PageInputs inputs = pageInputs();
        m_linkCheck =
            new LinkCheckWindow(m_platform, {inputs.entries, inputs.ownUrl, inputs.ownBanner}, this);
        connect(m_linkCheck, &LinkCheckWindow::entryActivated, this, &main1::selectCheckedEntry);
        m_linkCheck->show();
    }
    m_linkCheck->raise();
    m_linkCheck->activateWindow();
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

void main1::selectCheckedEntry(const QString& entry, int row)
{
    int found = -1;
    for (int i = 0; i < m_listModel->count(); ++i) {
        if (m_listModel->entry(i) == entry && (found < 0 || std::abs(i - row) < std::abs(found - row)))
            found = i;
    }
    if (found < 0)
        showMessage(m_platform, this, checkedEntryGoneMessage(entry));
    else
        selectEntry(found);
}

void main1::eexit_Click()
{
    m_platform.quit();
}

// Closing the main window ends the tool: the chooser, the about and the link check windows go with it.
void main1::closeEvent(QCloseEvent* event)
{
    if (m_chooser)
        m_chooser->close();
    if (m_about)
        m_about->close();
    if (m_linkCheck)
        m_linkCheck->close();
    event->accept();
}

} // namespace siteloom
