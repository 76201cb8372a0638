#pragma once

#include <QString>

namespace tarvolin {

// The program-wide texts shared by the main window and the add-engine dialog. Owned by the
// main window, lent to the dialog by reference; all empty at start.
struct ModuleVariables {
    QString sMainIniFile;     // "./tarvolin.ini"
    QString sEngineIniFile;   // "./" + engine name + ".ini" (see EngineIniFile)
    QString sCurrentEngine;   // name of the current engine
    QString sCurrentQueryKey; // query key of the current engine
    QString sUrlBase;         // the parsed URL up to and including the query key
    QString sParseUrl;        // the URL of the last parse
};

} // namespace tarvolin
