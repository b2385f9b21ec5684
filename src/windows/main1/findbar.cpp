#include "main1/findbar.h"

#include "find/findtext.h"
#include "main1/undoableentrylist.h"

#include <QLabel>
#include <QShortcut>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace siteloom {

FindBar::FindBar(UndoableEntryList& list, QWidget* parent) : QLineEdit(parent), m_list(list)
{
    setObjectName(u"findField"_s);
    setPlaceholderText(u"検索する文字を入力（Enter・F3：次を検索　Shift+F3：前を検索　Esc：閉じる）"_s);
    setAccessibleName(u"ＨＰリンクリストを検索"_s);
    setClearButtonEnabled(true);
    for (QToolButton* clear : findChildren<QToolButton*>())
        clear->setAccessibleName(u"検索する文字を消す"_s);
    hide();
    m_status = new QLabel(this);
    m_status->setObjectName(u"findStatus"_s);
    m_status->setTextFormat(Qt::PlainText);
    QPalette red = m_status->palette();
    red.setColor(QPalette::WindowText, QColor(0xC0, 0x00, 0x00));
    m_status->setPalette(red);
    m_status->hide();

    connect(this, &QLineEdit::textEdited, this,
            [this] { findNext(std::max(m_list.selectedRow(), 0), false); });
    connect(this, &QLineEdit::returnPressed, this, [this] { findNext(m_list.selectedRow() + 1, false); });
    const auto key = [this](QWidget* on, const QKeySequence& sequence, Qt::ShortcutContext context,
                            auto handler) {
        auto* shortcut = new QShortcut(sequence, on);
        shortcut->setContext(context);
        connect(shortcut, &QShortcut::activated, this, handler);
    };
    key(this, QKeySequence(Qt::Key_Escape), Qt::WidgetShortcut, [this] { dismiss(); });
    QWidget* window = parent ? parent : this;
    key(window, QKeySequence(Qt::Key_F3), Qt::WindowShortcut, [this] {
        if (isVisible())
            findNext(m_list.selectedRow() + 1, false);
        else
            open();
    });
    key(window, QKeySequence(Qt::SHIFT | Qt::Key_F3), Qt::WindowShortcut, [this] {
        const int selected = m_list.selectedRow();
        if (isVisible())
            findNext(selected < 0 ? -1 : selected - 1, true);
        else
            open();
    });
}

void FindBar::open()
{
    if (!isVisible()) {
        show();
        emit opened();
    }
    setFocus(Qt::ShortcutFocusReason);
    selectAll();
}

void FindBar::dismiss()
{
    hide();
    m_status->hide();
    emit closed();
}

void FindBar::findNext(int from, bool backward)
{
    const FoldedMatcher matcher(text());
    const qsizetype row = findRow(
        m_list.count(), [this](qsizetype at) { return QStringView(m_list.entry(int(at))); }, matcher, from,
        backward ? FindDirection::Backward : FindDirection::Forward);
    const bool notFound = !matcher.isEmpty() && row < 0;
    if (notFound) {
        m_status->setText(u"見つかりません"_s);
        m_status->adjustSize();
        m_status->move(width() - m_status->width() - height(), (height() - m_status->height()) / 2);
    }
    m_status->setVisible(notFound);
    if (row >= 0)
        m_list.selectRow(int(row));
}

bool FindBar::missed() const
{
    return !m_status->isHidden();
}

} // namespace siteloom
