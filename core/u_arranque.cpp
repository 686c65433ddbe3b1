#include "core/u_arranque.h"

#include "core/u_actualizador.h"
#include "core/u_manejadorApi.h"
#include "core/u_manejadorRegistro.h"
#include "core/u_segundoPlano.h"

namespace marlevanta {

bool ArgumentosPidenDemo(const QStringList& argumentos) {
    for (const QString& a : argumentos) {
        if (a.trimmed().toLower() == QLatin1String("/demo")) return true;
    }
    return false;
}

Arranque::Arranque(TManejadorRegistro& registro, TManejadorApi& api, SegundoPlano& fondo,
                   QString carpetaPrograma, int versionPropia, QObject* parent)
    : QObject(parent),
      registro_(registro),
      api_(api),
      fondo_(fondo),
      carpetaPrograma_(std::move(carpetaPrograma)),
      versionPropia_(versionPropia) {}

Arranque::Avisos Arranque::AntesDeMostrar() {
    Avisos avisos;
    const auto anotar = [&](const QString& accion, const std::string& motivo) {
        avisos.general << MensajeAjustes(accion, registro_, motivo);
    };
    // The web API's base address: the stored one, or the built-in one written down.
    auto host = registro_.LeerValor("ApiHost");
    if (!host) anotar(QStringLiteral("No se ha podido leer ApiHost"), host.motivo());
    api_.host = QString::fromStdString(host.valor_o(""));
    if (api_.host.isEmpty()) {
        api_.host = QString::fromLatin1(kApiHostPorDefecto);
        if (auto h = registro_.EscribirValor("ApiHost", api_.host.toStdString()); !h) {
            anotar(QStringLiteral("No se ha podido guardar ApiHost"), h.motivo());
        }
    }
    const QString fallo = LeerResultadoActualizador(RutaCarpetaPrivada());
    actualizacionFallida_ = !fallo.isEmpty();
    if (actualizacionFallida_) avisos.errores << fallo;
    avisos.errores << SustituirFicherosActualizador(carpetaPrograma_);
    if (auto h = registro_.IniciarValoresSiNoExisten(); !h) {
        anotar(QStringLiteral("No se han podido crear los ajustes que faltan"), h.motivo());
    }
    // A run that did not end normally may have left a rule behind; another copy's run that is
    // still going keeps its own.
    for (auto r :
         {registro_.EliminarRestos(Navegador::Chrome), registro_.EliminarRestos(Navegador::Edge)}) {
        if (!r) avisos.general << QString::fromStdString(r.motivo());
    }
    return avisos;
}

namespace {

struct Respuestas {
    Resultado<QString> host = Falla("");
    Resultado<InfoVersion> version = Falla("");
};

}  // namespace

void Arranque::ComprobarVersion() {
    TManejadorApi api = api_;
    api.cancelar = fondo_.Cancelacion();
    fondo_.Ejecutar(
        this,
        [api]() mutable {
            Respuestas r;
            r.host = api.LeerHost();
            // The version is asked where the maker now wants it, when that may be used.
            if (r.host && *r.host != api.host && HostAceptable(api.host, *r.host)) {
                api.host = *r.host;
            }
            r.version = api.LeerVersion();
            return r;
        },
        [this](Respuestas r) {
            if (r.host && *r.host != api_.host && HostAceptable(api_.host, *r.host)) {
                api_.host = *r.host;
                (void)registro_.EscribirValor("ApiHost", api_.host.toStdString());
            }
            EstadoVersion e;
            if (!r.version) {
                e.motivo = QString::fromStdString(r.version.motivo());
            } else if (r.version->numero > versionPropia_) {
                e.estado = EstadoVersion::Disponible;
                e.numero = r.version->numero;
                e.cambios = r.version->cambios;
                e.preguntar =
                    !actualizacionFallida_ &&
                    registro_.LeerValor("PanelComprobarActualizaciones").valor_o("") == "1";
            } else {
                e.estado = EstadoVersion::Actualizado;
                e.numero = r.version->numero;
            }
            emit VersionComprobada(e);
        });
}

}  // namespace marlevanta
