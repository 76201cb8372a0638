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
// Two more rules keep an engine's file its own, and still one to one: the first character of a
// name that is the main file's ("tarvolin", any case) or one Windows keeps for a device (CON,
// PRN, AUX, NUL, COM1-9, LPT1-9, any case, with or without an extension) is written as %XX
// ("con" gives "./%63on.ini"); a name whose file name would pass 255 bytes in UTF-8 becomes its
// first 200 bytes or so, "%7E" and 32 hex digits of its SHA-256 (no name escaped in full holds
// an escaped "~").
QString EngineIniFile(const QString &engineName);

} // namespace tarvolin
