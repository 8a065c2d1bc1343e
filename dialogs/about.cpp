#include "dialogs/about.h"

Tformabout* formabout = nullptr;

Tformabout::Tformabout(QWidget* parent) : QDialog(parent) {
    setObjectName("formabout");
    setWindowTitle("About");
}
