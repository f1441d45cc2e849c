#pragma once

#include <QString>

namespace Interchange {

// The namespace of our own OPML attributes (progress, label, dates, links,
// the rich page).
extern const QString OpmlNamespace;

} // namespace Interchange
