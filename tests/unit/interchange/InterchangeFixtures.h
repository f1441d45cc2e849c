#pragma once

#include "interchange/Branch.h"

#include <QByteArray>
#include <QString>

class TLeafNote;
class TOutline;
class TOutlineNode;

// A new item at the end of parent's children (nullptr: the top level),
// titled with UTF-8 text.
TLeafNote* AddItem(TOutline& outline, TOutlineNode* parent, const char* title);
// A rich page of the given HTML, written as our RTF.
QByteArray RtfOfHtml(const QString& html);
// The plain text and rich RTF of an item's page, as the editor would show it.
QString PageText(TLeafNote& item);
// Writes bytes to a file of the test home and returns its path.
QString WriteFixture(const QString& folder, const QString& name, const QByteArray& bytes);
// Inserts a read branch into a fresh outline.
void InsertInto(TOutline& outline, const Interchange::TReadResult& r);
// A small PNG, as CherryTree stores pictures.
QByteArray TinyPng(int w, int h);

#include <ostream>

// Readable failure messages.
void PrintTo(const QString& text, std::ostream* os);
void PrintTo(const QStringList& list, std::ostream* os);
