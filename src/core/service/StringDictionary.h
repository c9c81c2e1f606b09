#pragma once

#include <QString>

#include <map>

namespace vantry {

// A string-to-string dictionary as the service's JSON objects and header sets use it.
using StringDictionary = std::map<QString, QString>;

} // namespace vantry
