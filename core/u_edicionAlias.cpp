#include "core/u_edicionAlias.h"

#include <QStringList>

#include "core/u_manejadorRegistro.h"
#include "core/u_paginaInicio.h"
#include "core/u_tablaCertificados.h"

namespace marlevanta {

Resultado<EdicionAlias::Inicial> EdicionAlias::Empezar(const QString& huella,
                                                       const QString& alias) const {
    if (huella.isEmpty()) return Falla("Este certificado no tiene huella: no admite alias.");
    Inicial i{huella, alias, std::nullopt};
    if (auto p = LeerPaginaInicio(registro_, huella.toStdString())) {
        i.pagina = QString::fromStdString(*p);
    }
    return i;
}

Hecho EdicionAlias::Guardar(const Inicial& inicial, const QString& alias, const QString& pagina) {
    const std::string clave = inicial.huella.toStdString();
    QStringList fallos;
    if (inicial.pagina ? pagina != *inicial.pagina : !pagina.isEmpty()) {
        if (auto h = EscribirPaginaInicio(registro_, clave, pagina.toStdString()); !h) {
            fallos << MensajeAjustes(QStringLiteral("No se ha podido guardar la página de inicio"),
                                     registro_, h.motivo());
        }
    }
    if (auto h = registro_.EscribirAlias(clave, alias.toStdString()); !h) {
        // The row keeps the alias that is really stored.
        fallos << MensajeAjustes(QStringLiteral("No se ha podido guardar el alias"), registro_,
                                 h.motivo());
    } else {
        tabla_.CambiarAlias(inicial.huella, alias);
    }
    if (!fallos.isEmpty()) return Falla(fallos.join(u'\n').toStdString());
    return {};
}

}  // namespace marlevanta
