// The frame the window manager puts around a top-level window, for placing the outer window.
#pragma once

#include <QMargins>

#include <optional>

class QWidget;

// The frame's widths for a window that is created but not yet shown on the screen, as the window
// manager tells them; nothing where no window manager answers.
std::optional<QMargins> WindowFrameExtents(QWidget* window);
