#pragma once
// TSortingGrid: the string grid that sorts its rows by a column on a click of a header cell,
// draws cells by its own alignment and bevel rules, sizes its scroll-bar thumbs in
// proportion and keeps an undo of the last sort.
#include "controls/StringGrid.h"

class TSortingGrid : public TStringGrid {
    Q_OBJECT
public:
    explicit TSortingGrid(QWidget* parent = nullptr);
    ~TSortingGrid() override;

    bool CaseSensitive() const;
    void setCaseSensitive(bool on);
    bool ClickSorting() const;
    void setClickSorting(bool on);
    bool ProportionalScrollBars() const;
    void setProportionalScrollBars(bool on);

private:
    bool caseSensitive_ = false;
    bool clickSorting_ = true;
    bool proportional_ = true;
};
