#pragma once

class QWidget;

// The month calendar for screen readers and test tools: a table whose
// children are the weekday headers and the day cells, each day named by its
// day number, the selected one marked selected, pressing one as a click.
namespace CalExAccessible {

// Installs the accessibility factory (once).
void install();
// The selected day changed.
void announceSelection(QWidget* calendar);

} // namespace CalExAccessible
