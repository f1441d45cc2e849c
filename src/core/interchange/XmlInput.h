#pragma once

#include <QString>
#include <QXmlStreamReader>

// What the XML readers share: no DTD with entity declarations is taken (no
// entity is ever expanded, nothing is fetched), and every failure is told in
// Japanese with the file, line and column.
namespace Interchange {

// Call for every token; false (with the message) for a DTD that declares
// entities.
bool AcceptDtd(const QXmlStreamReader& xml, const QString& path, QString* error);
// The message for a reader that stopped with an error.
QString XmlError(const QXmlStreamReader& xml, const QString& path);
// The message for a problem found at the reader's place.
QString XmlProblem(const QXmlStreamReader& xml, const QString& path, const QString& what);

} // namespace Interchange
