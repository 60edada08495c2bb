#pragma once

#include <QImage>
#include <QWidget>

#include <array>

class QLabel;

namespace app {

// The splash window shown while the program starts: the splash image stretched over the
// window, the program's name centred on it.
class frmStart : public QWidget {
    Q_OBJECT
public:
    explicit frmStart(QWidget* parent = nullptr);

    // The splash image (113 x 85 pixels); the window only draws it.
    QImage Picture1;
    // The title "Velmora絵日記".
    std::array<QLabel*, 1> Label1{};

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Form_Load();
};

} // namespace app
