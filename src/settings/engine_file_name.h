#pragma once

#include <QString>

namespace tarvolin {

// The engine profile path "./" + name + ".ini". Characters a file name cannot hold on Linux,
// Windows or macOS (/ \ : * ? " < > | and control characters), "%" itself, and names made
// only of dots are written as %XX (UTF-8 bytes), so the file always lies in the working
// folder and distinct names never share a file. Any other name is used exactly as it is;
// the empty name gives "./.ini".
QString EngineIniFile(const QString &engineName);

} // namespace tarvolin
