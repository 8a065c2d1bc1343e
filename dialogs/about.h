#pragma once
// Tformabout: the About window. (Filled in by the painted-controls work.)
#include <QDialog>

class Tformabout : public QDialog {
    Q_OBJECT
public:
    explicit Tformabout(QWidget* parent = nullptr);
};

extern Tformabout* formabout;
