#pragma once

#include <QString>

namespace vantry::tools {

// Renders `count` cards of the test renderer (both strip layouts, light and dark borders,
// some strips over artwork) into `folder`/images, with a truth.csv and a catalogue.json
// that also lists a reprint of some names, so that name searches return more than one.
bool renderSyntheticCards(const QString& folder, int count, QString* error);

} // namespace vantry::tools
