#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>
#include <QtTest>

namespace siteloom {

class main1;

// Prepares a GUI test process: settings redirected to the test location before any QSettings
// exists, then the application set up as the program sets it up (icon, Japanese fonts with the
// user-interface font, Qt's texts in Japanese).
void prepareGuiTest();

// Finds a control of a window by its objectName and fails the test with its name when it is missing.
template <typename T> T* control(QObject* window, const QString& name)
{
    T* found = window->findChild<T*>(name);
    if (!found)
        qFatal("control missing: %s", qPrintable(name));
    return found;
}

// The main window's list as a test sees it: its rows top to bottom; rows put in as a starting
// point, outside the undo history; the current row (-1: none) and the selected rows.
[[nodiscard]] QStringList listRows(const main1& window);
void setListRows(main1& window, const QStringList& rows);
[[nodiscard]] int listCurrentRow(const main1& window);
[[nodiscard]] QList<int> listSelectedRows(const main1& window);
// Selects one row and makes it current, as a click on it does.
void selectListRow(main1& window, int row);

// Presses Tab this many times from the control that has the focus; returns the controls that held
// it, the first before any press and the last after all of them.
[[nodiscard]] QList<QWidget*> tabWalk(int presses);

} // namespace siteloom
