#include "guitest.h"

#include "application.h"
#include "main1/entrylist.h"
#include "main1/entrylistview.h"
#include "main1/main1.h"

#include <QApplication>
#include <QStandardPaths>
#include <QTest>

namespace siteloom {

void prepareGuiTest()
{
    QStandardPaths::setTestModeEnabled(true);
    prepareApplication();
}

QStringList listRows(const main1& window)
{
    return window.listModel()->entries();
}

void setListRows(main1& window, const QStringList& rows)
{
    QStringList replaced = rows;
    window.listModel()->swapEntries(&replaced);
}

int listCurrentRow(const main1& window)
{
    return window.List1->currentIndex().row();
}

QList<int> listSelectedRows(const main1& window)
{
    QList<int> rows;
    for (const QModelIndex& index : window.List1->selectionModel()->selectedIndexes())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void selectListRow(main1& window, int row)
{
    window.List1->selectionModel()->setCurrentIndex(window.listModel()->index(row),
                                                    QItemSelectionModel::ClearAndSelect);
}

QList<QWidget*> tabWalk(int presses)
{
    QList<QWidget*> walked{QApplication::focusWidget()};
    for (int press = 0; press < presses && walked.last(); ++press) {
        QTest::keyClick(walked.last(), Qt::Key_Tab);
        walked.append(QApplication::focusWidget());
    }
    return walked;
}

} // namespace siteloom
