#pragma once

#include <QString>

#include <functional>

class TFormMain;
class TLeafNote;
class TOutlineNode;

// Spins the event loop until cond holds or timeoutMs passes; returns cond().
bool WaitFor(const std::function<bool()>& cond, int timeoutMs = 5000);

// A node's title as text.
QString TitleOf(const TOutlineNode* node);
QString TitleOf(const TLeafNote* item);

// A window on a new document: the trash plus the given top-level books
// ("A", "B", ...), nothing selected.
void FillBooks(TFormMain& form, const QStringList& titles);
// The titles of parent's children (nullptr: the top level) in order.
QStringList ChildTitles(TFormMain& form, TOutlineNode* parent);

// Runs the GoogleTest cases with an application object; used as main() by
// the GUI test programs.
int RunGuiTests(int argc, char** argv);
