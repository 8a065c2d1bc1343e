#pragma once
// What assistive technology sees of the painted controls: a gradient button is a push button
// named by its caption (or, for a picture-only button, by its accessible name or hint) with
// the press action and its hint as description; a gradient panel and the plain panels named
// "Panel…" are groupings. installControlAccessibility() registers these and the grid's table
// interface with QAccessible; the program calls it once before its windows are made.
class QAccessibleInterface;
class QObject;
class QString;

QAccessibleInterface* paintedControlAccessibleFactory(const QString& className, QObject* object);
void installControlAccessibility();
