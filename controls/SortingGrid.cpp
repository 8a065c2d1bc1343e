#include "controls/SortingGrid.h"

TSortingGrid::TSortingGrid(QWidget* parent) : TStringGrid(parent) {}
TSortingGrid::~TSortingGrid() = default;

bool TSortingGrid::CaseSensitive() const {
    return caseSensitive_;
}
void TSortingGrid::setCaseSensitive(bool on) {
    caseSensitive_ = on;
}
bool TSortingGrid::ClickSorting() const {
    return clickSorting_;
}
void TSortingGrid::setClickSorting(bool on) {
    clickSorting_ = on;
}
bool TSortingGrid::ProportionalScrollBars() const {
    return proportional_;
}
void TSortingGrid::setProportionalScrollBars(bool on) {
    proportional_ = on;
}
