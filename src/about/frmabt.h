#pragma once

#include <QDialog>

namespace siteloom {

class Platform;

// Version and author information, and the way to the author's home page.
class frmabt final : public QDialog
{
    Q_OBJECT

public:
    frmabt(Platform& platform, QWidget* parent);

private:
    Platform& m_platform;
};

} // namespace siteloom
