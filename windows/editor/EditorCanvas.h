#pragma once

#include "windows/editor/TextureTiling.h"

#include <QWidget>

namespace windows::editor {

// The editor's client area: paints the tiled background behind every control. The part the
// background does not reach shows the window colour.
class EditorCanvas : public QWidget {
    Q_OBJECT
public:
    explicit EditorCanvas(QWidget* parent = nullptr);

    void setBackground(TiledBackground background);
    const TiledBackground& background() const { return background_; }
    // The window's own colour, where no background reaches.
    static QColor windowColour() { return QColor(128, 128, 255); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TiledBackground background_;
};

} // namespace windows::editor
