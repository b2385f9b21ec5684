#include "import/importwindow.h"

#include "importing/importsource.h"
#include "importing/pastedmarkup.h"
#include "linkentry/linkentry.h"
#include "messages/transfermessages.h"
#include "platform.h"
#include "ui/ui.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QThread>

#include <sys/stat.h>

#include <memory>
#include <optional>

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

// Where the window's size is kept between runs.
const QString settingsApplication = u"siteloom"_s;
const QString settingsSection = u"ImportWindow"_s;
const QString sizeKey = u"size"_s;

// A size kept as "WIDTHxHEIGHT"; invalid when there is none or it is not one.
QSize rememberedSize(const QString& text)
{
    const QStringList parts = text.split(u'x');
    bool wide = false;
    bool high = false;
    const QSize size(parts.size() == 2 ? parts[0].toInt(&wide) : 0,
                     parts.size() == 2 ? parts[1].toInt(&high) : 0);
    return wide && high && size.width() > 0 && size.height() > 0 ? size : QSize();
}

// The first entry of folderChoice: every folder.
const QString allFolders = u"（すべてのフォルダ）"_s;

QString pageOptionsQuestion(const QString& fileName)
{
    return u"このページの設定（タイトル、背景、自分のＨＰ情報、作成ファイル名「%1」）で、"
           u"今の設定を置き換えますか？\n（リンクの項目は、下の表から「追加」で加えます。）"_s.arg(fileName);
}

// What a path names when it is there but is not a regular file; nullopt for a regular file or a
// path that is not there (the read says why).
std::optional<NotRegularFile> notRegular(const QString& path)
{
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) != 0 || S_ISREG(info.st_mode))
        return std::nullopt;
    if (S_ISDIR(info.st_mode))
        return NotRegularFile::Directory;
    if (S_ISFIFO(info.st_mode))
        return NotRegularFile::Fifo;
    if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode))
        return NotRegularFile::Device;
    return NotRegularFile::Other;
}

// What a read on its thread found.
struct ReadOutcome
{
    bool read = false;
    ImportSource source;
    ImportSourceError error;
};

} // namespace

ImportWindow::ImportWindow(Platform& platform, const QStringList& listEntries, QWidget* parent)
    : QDialog(parent), m_platform(platform), m_listEntries(listEntries)
{
    setObjectName(u"importWindow"_s);
    setWindowTitle(u"取り込み"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls();
    exposeObjectNames(this);
    connect(fileButton, &QPushButton::clicked, this, &ImportWindow::chooseFile);
    connect(stopButton, &QPushButton::clicked, this, &ImportWindow::stopReading);
    connect(pasteBox, &QPlainTextEdit::textChanged, this, &ImportWindow::readPaste);
    connect(folderChoice, &QComboBox::currentIndexChanged, this, &ImportWindow::showFolder);
    connect(importTable, &QTableWidget::itemChanged, this, &ImportWindow::checkRows);
    connect(addButton, &QPushButton::clicked, this, &ImportWindow::addChecked);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::close);
}

void ImportWindow::setListEntries(const QStringList& entries)
{
    m_listEntries = entries;
}

void ImportWindow::buildControls()
{
    auto* layout = new QGridLayout(this);
    auto* hint =
        new QLabel(u"ブラウザから書き出したブックマークファイルか、このソフトで作成したページを選ぶか、"
                   u"相互リンク用のタグを貼り付けてください。"_s,
                   this);
    hint->setWordWrap(true);
    layout->addWidget(hint, 0, 0, 1, 4);

    fileButton = new QPushButton(u"ファイルを選ぶ..."_s, this);
    fileButton->setObjectName(u"fileButton"_s);
    sourceLabel = new QLabel(this);
    sourceLabel->setObjectName(u"sourceLabel"_s);
    sourceLabel->setTextFormat(Qt::PlainText);
    stopButton = new QPushButton(u"中止"_s, this);
    stopButton->setObjectName(u"stopButton"_s);
    stopButton->setEnabled(false);
    sourceLabel->setAccessibleName(u"読み込んだファイル"_s);
    layout->addWidget(fileButton, 1, 0);
    layout->addWidget(sourceLabel, 1, 1, 1, 2);
    layout->addWidget(stopButton, 1, 3);

    auto* folderLabel = new QLabel(u"フォルダ"_s, this);
    folderChoice = new QComboBox(this);
    folderChoice->setObjectName(u"folderChoice"_s);
    folderChoice->setEnabled(false);
    folderChoice->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    folderChoice->setMinimumContentsLength(30);
    folderLabel->setBuddy(folderChoice);
    layout->addWidget(folderLabel, 2, 0);
    layout->addWidget(folderChoice, 2, 1, 1, 3, Qt::AlignLeft);

    auto* pasteLabel = new QLabel(u"タグの貼り付け"_s, this);
    pasteBox = new QPlainTextEdit(this);
    pasteBox->setObjectName(u"pasteBox"_s);
    pasteBox->setPlaceholderText(u"<a href=\"http://...\"><img src=\"http://...\" alt=\"...\"></a>"_s);
    pasteBox->setFixedHeight(pasteBox->fontMetrics().lineSpacing() * 4 + 12);
    pasteBox->setTabChangesFocus(true); // markup has no use for a tab character
    pasteLabel->setBuddy(pasteBox);
    layout->addWidget(pasteLabel, 3, 0, Qt::AlignTop);
    layout->addWidget(pasteBox, 3, 1, 1, 3);

    importTable = new QTableWidget(0, 4, this);
    importTable->setObjectName(u"importTable"_s);
    importTable->setAccessibleName(u"取り込む項目"_s);
    importTable->setHorizontalHeaderLabels({u"バナーＵＲＬ"_s, u"ＨＰ名"_s, u"登録するＵＲＬ"_s, u"備考"_s});
    importTable->horizontalHeader()->setStretchLastSection(true);
    importTable->verticalHeader()->setDefaultSectionSize(importTable->fontMetrics().height() + 8);
    // The columns are as wide as what they typically hold in the window's font; the note takes the
    // rest. A text cut off shows whole in its tooltip.
    const QFontMetrics metrics = importTable->fontMetrics();
    const int padding = 2 * metrics.averageCharWidth();
    importTable->setColumnWidth(
        BannerColumn, metrics.horizontalAdvance(u"http://www.example.jp/img/banner.gif"_s) + padding);
    importTable->setColumnWidth(NameColumn, metrics.horizontalAdvance(u"そよかダイビングＷＥＢ"_s) + padding);
    importTable->setColumnWidth(UrlColumn,
                                metrics.horizontalAdvance(u"http://www.example.jp/index.html"_s) + padding);
    // Tab leaves the table for the next control; the arrow keys move between its cells.
    importTable->setTabKeyNavigation(false);
    layout->addWidget(importTable, 4, 0, 1, 4);
    layout->setRowStretch(4, 1);

    summaryLabel = new QLabel(this);
    summaryLabel->setObjectName(u"summaryLabel"_s);
    summaryLabel->setTextFormat(Qt::PlainText);
    layout->addWidget(summaryLabel, 5, 0, 1, 2);
    addButton = new QPushButton(u"追加"_s, this);
    addButton->setObjectName(u"addButton"_s);
    closeButton = new QPushButton(u"閉じる"_s, this);
    closeButton->setObjectName(u"closeButton"_s);
    layout->addWidget(addButton, 5, 2);
    layout->addWidget(closeButton, 5, 3);
    for (QPushButton* b : {fileButton, stopButton, addButton, closeButton})
        b->setAutoDefault(false);
    sourceLabel->setMinimumWidth(0);
    sourceLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    // The size the user last gave the window, else one from the font: the table's columns with room
    // for a note, and about twenty rows.
    const QSize remembered =
        rememberedSize(m_platform.readSetting(settingsApplication, settingsSection, sizeKey));
    if (remembered.isValid()) {
        resize(remembered);
    } else {
        int width = padding * 4 + importTable->verticalHeader()->sizeHint().width();
        for (int column = BannerColumn; column < NoteColumn; ++column)
            width += importTable->columnWidth(column);
        width += metrics.horizontalAdvance(u"リストの1番目と同じＵＲＬです"_s);
        resize(width, metrics.height() * 32);
    }
}

// Opens centred on the main window's frame, no larger than the screen's available area.
void ImportWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous() || m_placed)
        return;
    m_placed = true;
    const QRect available = screen() ? screen()->availableGeometry() : QRect();
    if (!available.isEmpty())
        resize(size().boundedTo(available.size()));
    if (const QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
        owner && owner->isVisible())
        move(centredOn(owner->frameGeometry(), frameGeometry().size(), available));
}

// The window's size is kept for the next time it opens.
void ImportWindow::closeEvent(QCloseEvent* event)
{
    (void)m_platform.writeSetting(settingsApplication, settingsSection, sizeKey,
                                  u"%1x%2"_s.arg(width()).arg(height()));
    QDialog::closeEvent(event);
}

void ImportWindow::chooseFile()
{
    FileDialogRequest request;
    request.filters = {u"ブックマーク・ページ (*.html *.htm)"_s, u"All Files (*)"_s};
    request.directory = m_platform.currentDirectory();
    const QString path = m_platform.openFileName(this, request);
    if (path.isEmpty())
        return;
    if (const std::optional<NotRegularFile> kind = notRegular(path)) {
        showMessage(m_platform, this, importSourceNotRegularMessage(QDir::toNativeSeparators(path), *kind));
        return;
    }
    startReading(path);
}

bool ImportWindow::isReading() const
{
    return m_reading;
}

// The read runs on a thread of its own that belongs to no window: when the read is stopped or the
// window closes, it finishes by itself and goes, and what it read is dropped.
void ImportWindow::startReading(const QString& path)
{
    auto outcome = std::make_shared<ReadOutcome>();
    QThread* thread = QThread::create(
        [path, outcome] { outcome->read = readImportSource(path, &outcome->source, &outcome->error); });
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    connect(thread, &QThread::finished, this, [this, number = ++m_readNumber, path, outcome] {
        if (!m_reading || number != m_readNumber)
            return;
        setReading(false);
        if (!outcome->read) {
            sourceLabel->setText(m_sourceShown);
            showMessage(m_platform, this, importSourceProblemMessage(outcome->error));
        } else
            showSource(path, outcome->source);
    });
    setReading(true);
    m_sourceShown = sourceLabel->text();
    sourceLabel->setText(u"読み込み中：%1"_s.arg(QDir::toNativeSeparators(path)));
    thread->start();
}

// "中止": the window is free again at once, showing what it showed before the file was chosen.
void ImportWindow::stopReading()
{
    if (!m_reading)
        return;
    setReading(false);
    sourceLabel->setText(m_sourceShown);
}

void ImportWindow::setReading(bool reading)
{
    m_reading = reading;
    stopButton->setEnabled(reading);
    for (QWidget* control : {static_cast<QWidget*>(fileButton), static_cast<QWidget*>(pasteBox),
                             static_cast<QWidget*>(addButton)})
        control->setEnabled(!reading);
}

void ImportWindow::showSource(const QString& path, const ImportSource& source)
{
    sourceLabel->setText(QDir::toNativeSeparators(path));
    sourceLabel->setToolTip(sourceLabel->text());
    m_links = source.links;
    {
        const QSignalBlocker quiet(pasteBox);
        pasteBox->clear();
    }
    {
        const QSignalBlocker quiet(folderChoice);
        folderChoice->clear();
        folderChoice->addItem(allFolders);
        folderChoice->addItems(m_links.folders);
        folderChoice->setEnabled(source.kind == ImportSource::Bookmarks && !m_links.folders.isEmpty());
    }
    showFolder();
    if (source.kind == ImportSource::Page) {
        MessageRequest question;
        question.text = pageOptionsQuestion(source.page.fileName);
        question.title = QString::fromUtf16(applicationTitle);
        question.icon = QMessageBox::Question;
        question.buttons = QMessageBox::Yes | QMessageBox::No;
        question.defaultButton = QMessageBox::No;
        const QPointer<ImportWindow> alive(this);
        if (m_platform.messageBox(this, question) == QMessageBox::Yes && alive)
            emit pageOptionsAccepted(source.page);
    }
}

void ImportWindow::readPaste()
{
    sourceLabel->clear();
    m_links = readPastedMarkup(pasteBox->toPlainText());
    const QSignalBlocker quiet(folderChoice);
    folderChoice->clear();
    folderChoice->setEnabled(false);
    showFolder();
}

void ImportWindow::showFolder()
{
    const QString folder = folderChoice->currentIndex() > 0 ? folderChoice->currentText() : QString();
    int skipped = 0;
    const QList<LinkEntry> entries = importedEntries(m_links, folder, &skipped);
    showEntries(entries, skipped);
}

void ImportWindow::showEntries(const QList<LinkEntry>& entries, int skipped)
{
    m_filling = true;
    importTable->setUpdatesEnabled(false);
    importTable->setRowCount(0);
    importTable->setRowCount(int(entries.size()));
    for (int row = 0; row < int(entries.size()); ++row) {
        const LinkEntry& entry = entries[row];
        int column = BannerColumn;
        for (const QString& text : {entry.bannerUrl, entry.siteName, entry.siteUrl}) {
            auto* item = new QTableWidgetItem(text);
            item->setToolTip(text);
            importTable->setItem(row, column++, item);
        }
        auto* note = new QTableWidgetItem;
        note->setFlags(note->flags() & ~Qt::ItemIsEditable);
        importTable->setItem(row, NoteColumn, note);
        importTable->item(row, BannerColumn)->setCheckState(Qt::Unchecked);
    }
    importTable->setUpdatesEnabled(true);
    m_holdBacks.clear();
    m_filling = false;
    checkRows();
    QString summary = u"%1 件のリンクがあります。"_s.arg(entries.size());
    if (skipped > 0)
        summary += u' ' + skippedLinksNote(skipped);
    // A reading that a limit cut short says so, or the links after the cut would go missing unseen.
    if (const QString cut = importCutNote(m_links); !cut.isEmpty())
        summary += u' ' + cut;
    summaryLabel->setText(summary);
    summaryLabel->setToolTip(summary);
}

LinkEntry ImportWindow::rowEntry(int row) const
{
    return LinkEntry{importTable->item(row, BannerColumn)->text(), importTable->item(row, NameColumn)->text(),
                     importTable->item(row, UrlColumn)->text()};
}

// Checks every row again after an edit: an entry that no longer needs holding back is checked, one
// that now does is unchecked; the others keep the user's choice.
void ImportWindow::checkRows()
{
    if (m_filling)
        return;
    QList<LinkEntry> entries;
    for (int row = 0; row < importTable->rowCount(); ++row)
        entries.append(rowEntry(row));
    const QList<HoldBack> holdBacks = checkImportedEntries(entries, m_listEntries);
    m_filling = true;
    for (int row = 0; row < importTable->rowCount(); ++row) {
        const HoldBack& now = holdBacks[row];
        const bool fine = now.reason == HoldBack::None;
        if (row >= m_holdBacks.size() || (m_holdBacks[row].reason == HoldBack::None) != fine)
            importTable->item(row, BannerColumn)->setCheckState(fine ? Qt::Checked : Qt::Unchecked);
        for (int column = BannerColumn; column < NoteColumn; ++column)
            importTable->item(row, column)->setToolTip(importTable->item(row, column)->text());
        importTable->item(row, NoteColumn)->setText(holdBackNote(now));
        importTable->item(row, NoteColumn)->setToolTip(holdBackNote(now));
    }
    m_holdBacks = holdBacks;
    m_filling = false;
}

// Appends the checked entries to the end of the list. A checked entry that the list file could not
// keep as it stands (a character it cannot hold, a field too long, a separator in a field) stops
// the whole addition; one already listed is added when the user checked it.
void ImportWindow::addChecked()
{
    QStringList entries;
    for (int row = 0; row < importTable->rowCount(); ++row) {
        if (importTable->item(row, BannerColumn)->checkState() != Qt::Checked)
            continue;
        const HoldBack& holdBack = m_holdBacks[row];
        if (holdBack.reason != HoldBack::None && holdBack.reason != HoldBack::AlreadyInList &&
            holdBack.reason != HoldBack::EarlierInImport) {
            // The window may be closed while the message is up (assistive technology presses 閉じる
            // past the message): then nothing of it is touched again.
            const QPointer<ImportWindow> alive(this);
            showMessage(m_platform, this,
                        u"%1行目の項目は、このままではリストに追加できません。\n%2\n"
                        u"直すか、チェックを外してください。"_s.arg(row + 1)
                            .arg(holdBackNote(holdBack)));
            if (alive)
                importTable->setCurrentCell(row, BannerColumn);
            return;
        }
        entries.append(composeEntry(rowEntry(row)));
    }
    if (entries.isEmpty()) {
        showMessage(m_platform, this, u"追加する項目にチェックを付けてください。"_s);
        return;
    }
    emit entriesAccepted(entries);
    checkRows(); // what was added is now in the list
    summaryLabel->setText(u"%1 件をリストに追加しました。"_s.arg(entries.size()));
}

} // namespace siteloom
