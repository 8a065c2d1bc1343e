#pragma once
// Small helpers the windows share.
#include <QWidget>

// Moves a top-level window so that it stands in the middle of the screen's work area.
void centerOnScreen(QWidget* window);
// Shows a window without blocking and brings it to the front.
void showModeless(QWidget* window);
