#include "main1/main1.h"

#include "linkentry/linkentry.h"
#include "main1/entrylist.h"
#include "platform.h"
#include "text/trim.h"

#include <QLineEdit>

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

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

} // namespace

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
    Text1->setText(u"http://"_s);
    Text2->clear();
    Text3->setText(u"http://"_s);
}

// Delete (also the Delete key on the list): removes the selected line at once.
void main1::Command3_Click()
{
    if (m_listModel->count() == 0) {
        showMessage(m_platform, this, u"項目を入れてください。"_s);
        return;
    }
    const int row = selectedRow();
    if (row < 0) {
        showMessage(m_platform, this, u"削除する項目をリンクＨＰリストから選んでください。"_s);
        return;
    }
    removeLine(row, u"削除"_s);
}

// Move up: the selected line changes places with the one above it; the top line stays.
void main1::Command5_Click()
{
    const int row = lineToMove(m_platform, this, m_listModel->count(), selectedRow());
    if (row <= 0)
        return;
    moveLine(row, row - 1);
}

// Move down: the selected line changes places with the one below it; the bottom line stays.
void main1::Command6_Click()
{
    const int row = lineToMove(m_platform, this, m_listModel->count(), selectedRow());
    if (row < 0 || row == m_listModel->count() - 1)
        return;
    moveLine(row, row + 1);
}

// Edit: the selected entry goes back into the fields of the first tab, unseen if the other tab is
// in front, and leaves the list; the add button puts it back at the end. What the fields held is
// overwritten.
void main1::Command7_Click()
{
    const int row = selectedRow();
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
    removeLine(row, u"編集"_s);
}

} // namespace siteloom
