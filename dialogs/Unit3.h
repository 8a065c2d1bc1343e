#pragma once
// TForm7: the "Create New Folder" window of the extract dialog. Only its frame exists so far;
// its controls come with the extract dialog.
#include <QDialog>

class TForm7 : public QDialog {
    Q_OBJECT
public:
    explicit TForm7(QWidget* parent = nullptr);
};

extern TForm7* Form7;
