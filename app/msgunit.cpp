#include "app/msgunit.h"

TMsgform* Msgform = nullptr;

TMsgform::TMsgform(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("Msgform");
    setWindowTitle("Quembly Messages");
}

void TMsgform::ShowProgress(ProgressType, const std::string&, std::int32_t) {}
void TMsgform::ShowWorking() {
    show();
    raise();
    activateWindow();
}
void TMsgform::DismissButClick() { hide(); }
