#pragma once

#include <QLineEdit>

class QLabel;

namespace siteloom {

class UndoableEntryList;

// The find field of the link list: hidden until open() (Ctrl+F, F3), it selects the first row from
// the selected one on that holds its text, folded for case and width, going round the list. Enter
// and F3 find the next row, Shift+F3 the one before, Escape closes it. When no row holds the text
// it says "見つかりません" at its right end and the selection stays. F3 and Shift+F3 work anywhere in
// the window it belongs to.
class FindBar final : public QLineEdit
{
    Q_OBJECT

public:
    FindBar(UndoableEntryList& list, QWidget* parent);

    // Shows the field (when hidden) with the focus and its text selected.
    void open();
    // Hides the field and its status.
    void dismiss();

    // Selects the row that holds the text, from `from` on (or back from it).
    void findNext(int from, bool backward);

    // Whether the last search found nothing.
    [[nodiscard]] bool missed() const;

signals:
    void opened();
    void closed();

private:
    UndoableEntryList& m_list;
    QLabel* m_status;
};

} // namespace siteloom
