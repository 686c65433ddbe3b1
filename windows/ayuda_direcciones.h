// Where the help pages are: the stored addresses, replaced by newer ones from the web API.
#pragma once

#include <QString>

namespace marlevanta {

class TManejadorRegistro;
class TManejadorApi;

// Lower case without surrounding blanks; "about:blank" for anything that does not begin "http".
QString DireccionAyuda(const QString& direccion);

struct DireccionesAyuda {
    QString uso;
    QString trucos;
};

// Reads AyudaUso and AyudaTrucos, asks the web API (when there is one) and stores the addresses
// it gives that differ and begin with "http".
DireccionesAyuda ResolverDireccionesAyuda(TManejadorRegistro& registro, TManejadorApi* api);

}  // namespace marlevanta
