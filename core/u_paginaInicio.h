// The page a certificate's browser opens on: an optional https address stored with the
// certificate beside its alias, one value per thumbprint.
#pragma once

#include <QString>
#include <functional>
#include <string>

#include "core/plataforma/u_comandoNavegador.h"
#include "core/u_manejadorRegistro.h"

namespace marlevanta {

inline constexpr const char* kClavePaginas = "\\Software\\Velquorin\\marlevanta\\paginas";

// Why `direccion` cannot be a start page; empty when it can (an empty address included: the
// browser then opens as it always has).
QString MotivoPaginaRechazada(const QString& direccion);

// "" when the certificate has none.
Resultado<std::string> LeerPaginaInicio(TManejadorRegistro& registro, const std::string& huella);
Hecho EscribirPaginaInicio(TManejadorRegistro& registro, const std::string& huella,
                           const std::string& direccion);

using ComandoPorNavegador = std::function<Resultado<ComandoNavegador>(Navegador)>;
// The browser's command with `pagina` as the page to open, when it is an acceptable one.
ComandoPorNavegador ConPaginaInicio(ComandoPorNavegador comando, const QString& pagina);

}  // namespace marlevanta
