// Where the help pages are: the stored addresses, replaced by newer ones from the web API.
#pragma once

#include <QString>

#include "core/u_manejadorApi.h"

namespace marlevanta {

class TManejadorRegistro;

// Lower case without surrounding blanks; "about:blank" for anything that does not begin
// "https://": a page in the clear could be anybody's.
QString DireccionAyuda(const QString& direccion);

struct DireccionesAyuda {
    QString uso;
    QString trucos;
};

// The addresses that the web API's answer leaves in force: those it gives that differ from the
// stored AyudaUso and AyudaTrucos and begin with "https://" are stored; a failed answer keeps
// the stored ones.
DireccionesAyuda ResolverDireccionesAyuda(TManejadorRegistro& registro,
                                          const Resultado<UrlsAyuda>& respuesta);

// The help shows web pages: run as the administrator, its web engine cannot keep them in its
// sandbox, so it is not opened at all.
Hecho AyudaPermitida(bool comoAdministrador);

}  // namespace marlevanta
