#pragma once

#include <QString>

namespace tarvolin {

// The engine profile path "./" + name + ".ini". Characters a file name cannot hold on Linux,
// Windows or macOS (/ \ : * ? " < > | and control characters) are written as %XX (their code in
// two upper-case hex digits), so the file always lies in the working folder and the folder can
// be used from any of them. A "%" is written as %25 only where it would read as such an escape,
// that is before two hex digits; so distinct names never share a file, and any other name is
// used exactly as it is ("50%" gives "./50%.ini", "." gives "./..ini"). The empty name gives
// "./.ini".
QString EngineIniFile(const QString &engineName);

} // namespace tarvolin
