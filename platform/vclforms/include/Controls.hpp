// Windowed controls: every control and form of the product is a Qt widget,
// so a TWinControl is a QWidget (repaint() repaints it at once).
#pragma once

#include <QWidget>

using TWinControl = QWidget;
