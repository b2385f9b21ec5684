#include "main1/main1.h"

#include "find/findtext.h"
#include "main1/entrylist.h"
#include "main1/entrylistview.h"
#include "ui/ui.h"

#include <QLabel>
#include <QLineEdit>
#include <QShortcut>

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

// The find field's height in twips when it stands above the list.
constexpr int findHeight = 300;

} // namespace

// The find field: hidden until Ctrl+F, then above the list, which gives up the room for it.
void main1::buildFind()
{
    findField = new QLineEdit(List1->parentWidget());
    findField->setObjectName(u"findField"_s);
    placeTwips(findField, listLeft, listTop, listWidth, findHeight - 30);
    findField->setPlaceholderText(
        u"検索する文字を入力（Enter・F3：次を検索　Shift+F3：前を検索　Esc：閉じる）"_s);
    findField->setAccessibleName(u"ＨＰリンクリストを検索"_s);
    findField->setClearButtonEnabled(true);
    findField->hide();
    m_findStatus = new QLabel(findField);
    m_findStatus->setObjectName(u"findStatus"_s);
    m_findStatus->setTextFormat(Qt::PlainText);
    QPalette red = m_findStatus->palette();
    red.setColor(QPalette::WindowText, QColor(0xC0, 0x00, 0x00));
    m_findStatus->setPalette(red);
    m_findStatus->hide();

    connect(findField, &QLineEdit::textEdited, this, [this] { findNext(std::max(selectedRow(), 0), false); });
    connect(findField, &QLineEdit::returnPressed, this, [this] { findNext(selectedRow() + 1, false); });
    const auto key = [this](QWidget* on, const QKeySequence& sequence, Qt::ShortcutContext context,
                            auto handler) {
        auto* shortcut = new QShortcut(sequence, on);
        shortcut->setContext(context);
        connect(shortcut, &QShortcut::activated, this, handler);
    };
    key(findField, QKeySequence(Qt::Key_Escape), Qt::WidgetShortcut, [this] { hideFind(); });
    key(this, QKeySequence(Qt::Key_F3), Qt::WindowShortcut, [this] {
        if (findField->isVisible())
            findNext(selectedRow() + 1, false);
        else
            showFind();
    });
    key(this, QKeySequence(Qt::SHIFT | Qt::Key_F3), Qt::WindowShortcut, [this] {
        if (findField->isVisible())
            findNext(selectedRow() < 0 ? -1 : selectedRow() - 1, true);
        else
            showFind();
    });
}

void main1::showFind()
{
    if (!findField->isVisible()) {
        placeTwips(List1, listLeft, listTop + findHeight, listWidth, listHeight - findHeight);
        findField->show();
    }
    findField->setFocus(Qt::ShortcutFocusReason);
    findField->selectAll();
}

// Escape: the field goes, the list takes back its room and the focus.
void main1::hideFind()
{
    findField->hide();
    m_findStatus->hide();
    placeTwips(List1, listLeft, listTop, listWidth, listHeight);
    List1->setFocus(Qt::ShortcutFocusReason);
}

// Selects the first row from `from` on (backwards: back from it) that holds the field's text,
// folded for case and width, going round the list. When none does, the field says so and the
// selection stays as it was.
void main1::findNext(int from, bool backward)
{
    const FoldedMatcher matcher(findField->text());
    const qsizetype row = findRow(
        m_listModel->count(), [this](qsizetype at) { return QStringView(m_listModel->entry(int(at))); },
        matcher, from, backward ? FindDirection::Backward : FindDirection::Forward);
    const bool missed = !matcher.isEmpty() && row < 0;
    if (missed) {
        m_findStatus->setText(u"見つかりません"_s);
        m_findStatus->adjustSize();
        m_findStatus->move(findField->width() - m_findStatus->width() - findField->height(),
                           (findField->height() - m_findStatus->height()) / 2);
    }
    m_findStatus->setVisible(missed);
    if (row >= 0)
        selectRow(int(row));
}

} // namespace siteloom
