#pragma once
// TRadioGroup: a titled group of radio buttons, one of which is chosen (ItemIndex, -1 for
// none).
#include <QGroupBox>

class QButtonGroup;
class QRadioButton;

class TRadioGroup : public QGroupBox {
    Q_OBJECT
public:
    TRadioGroup(const QString& caption, const QStringList& items, QWidget* parent = nullptr);

    int ItemIndex() const;
    void setItemIndex(int index);
    QRadioButton* Button(int index) const;

private:
    QButtonGroup* group_;
};
