// Where the help pages are: the stored addresses, replaced by newer ones from the web API.
#pragma once

#include <QString>

#include "core/u_manejadorApi.h"

namespace marlevanta {

class TManejadorRegistro;

// Lower case without surrounding blanks; "about:blank" for anything that does not begin "http".
QString DireccionAyuda(const QString& direccion);

struct DireccionesAyuda {
    QString uso;
    QString trucos;
};

// The addresses that the web API's answer leaves in force: those it gives that differ from the
// stored AyudaUso and AyudaTrucos and begin with "http" are stored; a failed answer keeps the
// stored ones.
DireccionesAyuda ResolverDireccionesAyuda(TManejadorRegistro& registro,
                                          const Resultado<UrlsAyuda>& respuesta);

}  // namespace marlevanta
