#pragma once
// Tformabout: the About window. Shows the product name, its version and a notice line over a
// silver gradient panel; its one button hides it again. Made once and shown without blocking.
#include <QDialog>

class QLabel;
class TGradButton;
class TGradPanel;

class Tformabout : public QDialog {
    Q_OBJECT
public:
    explicit Tformabout(QWidget* parent = nullptr);

    TGradPanel* GradPanel1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label4 = nullptr;
    TGradButton* clsbtn = nullptr;

    // The window's icon, drawn at 16 x 16 and 32 x 32.
    static QIcon makeIcon();

public slots:
    void clsbtnClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* owner() const;
};

extern Tformabout* formabout;
