#pragma once
// What assistive technology sees of the string grid: a table (Qt's table accessibility
// interface) whose first row holds the column captions and whose further rows are the data
// rows, each cell a child carrying its text. The current cell is reported with a focus event
// and the selection with a selection event whenever the cursor moves.
class QAccessibleInterface;
class QObject;
class QString;

QAccessibleInterface* gridAccessibleFactory(const QString& className, QObject* object);
