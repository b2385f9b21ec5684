#pragma once

#include <QString>
#include <QWidget>
#include <QtTest>

namespace siteloom {

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

} // namespace siteloom
