#pragma once

#include <QWidget>

class QLabel;

namespace siteloom {

class Platform;

// The directory chooser: walks drives and directories; "Ｏ　Ｋ" hands the path box to the main
// window's base directory label and remembers the current directory for the next start.
class fm1 final : public QWidget
{
    Q_OBJECT

public:
    fm1(Platform& platform, QLabel* baseDirectoryLabel, QWidget* parent);

private:
    Platform& m_platform;
    QLabel* const m_baseDirectoryLabel;
};

} // namespace siteloom
