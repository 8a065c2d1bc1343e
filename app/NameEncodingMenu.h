#pragma once
// The window's "Name Encoding" menu: the code page of entry names stored without the UTF-8
// flag, one exclusive choice per encoding, Automatic first and checked.
#include <functional>

class QMenu;
class QWidget;
class TArchiver;

// Makes the menu (object name "NameEncoding1", its items "NameEncoding_" + the encoding's
// name). A choice sets ARCHIVER's NameEncoding, then calls CHANGED to show the names anew.
QMenu* makeNameEncodingMenu(QWidget* parent, TArchiver& archiver, std::function<void()> changed);
