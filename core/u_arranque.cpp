#include "core/u_arranque.h"

#include "core/u_actualizador.h"
#include "core/u_manejadorApi.h"
#include "core/u_manejadorRegistro.h"
#include "core/u_segundoPlano.h"

#include <map>

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

namespace {

struct EstadoArchivo {
    bool legible = true;
    bool escribible = true;
    std::string motivo;
};

// Whether the settings file can be read and written at all: every stored value is read once,
// so that a damaged or cut file is found now and not value by value later.
EstadoArchivo ComprobarArchivo(RegistroUsuario& registro) {
    EstadoArchivo e;
    for (const char* ruta : {kClaveAjustes, kClaveAlias}) {
        auto clave = registro.AbrirLectura(ruta);
        Resultado<std::map<std::string, std::string>> valores =
            clave ? (*clave ? (*clave)->LeerTextos() : std::map<std::string, std::string>())
                  : Resultado<std::map<std::string, std::string>>(Fallo{clave.motivo()});
        if (!valores) {
            e.legible = e.escribible = false;
            e.motivo = valores.motivo();
            return e;
        }
    }
    auto clave = registro.AbrirEscritura(kClaveAjustes);
    const Hecho cerrada = clave ? (*clave)->Cerrar() : Hecho(Fallo{clave.motivo()});
    if (!cerrada) {
        e.escribible = false;
        e.motivo = cerrada.motivo();
    }
    return e;
}

QString MensajeArchivo(const EstadoArchivo& e, const TManejadorRegistro& registro) {
    const QString archivo = QString::fromStdString(registro.Ubicacion());
    const QString motivo = QString::fromStdString(e.motivo);
    if (!e.legible) {
        return QStringLiteral(
                   "No se puede usar el archivo de ajustes \"%1\": %2. Marlevanta funciona con "
                   "los ajustes por defecto y no podrá guardar los alias ni los ajustes hasta "
                   "que se arregle: cambie de nombre o quite ese archivo y Marlevanta creará "
                   "uno nuevo.")
            .arg(archivo, motivo);
    }
    return QStringLiteral(
               "No se puede guardar en el archivo de ajustes \"%1\": %2. Marlevanta usa los "
               "ajustes guardados, pero no podrá guardar los alias ni los ajustes hasta que se "
               "arregle: compruebe que su usuario puede escribir en ese archivo y que ningún "
               "otro programa lo tiene abierto.")
        .arg(archivo, motivo);
}

}  // namespace

Arranque::Avisos Arranque::AntesDeMostrar() {
    Avisos avisos;
    // A settings file that cannot be used is told once, with what to do about it; the steps
    // below go on with defaults and add nothing of their own about it.
    const EstadoArchivo archivo = ComprobarArchivo(registro_.Registro());
    avisos.ajustesLegibles = archivo.legible;
    avisos.ajustesEscribibles = archivo.escribible;
    if (!archivo.motivo.empty()) avisos.general << MensajeArchivo(archivo, registro_);
    const auto anotar = [&](const QString& accion, const std::string& motivo) {
        if (archivo.motivo.empty()) avisos.general << MensajeAjustes(accion, registro_, motivo);
    };
    // The web API's base address: the stored one, or the built-in one written down.
    auto host = registro_.LeerValor(ajuste::ApiHost.clave);
    if (!host) anotar(QStringLiteral("No se ha podido leer ApiHost"), host.motivo());
    api_.host = QString::fromStdString(host.valor_o(""));
    if (api_.host.isEmpty()) {
        api_.host = QString::fromLatin1(kApiHostPorDefecto);
        if (auto h = registro_.EscribirValor(ajuste::ApiHost.clave, api_.host.toStdString()); !h) {
            anotar(QStringLiteral("No se ha podido guardar ApiHost"), h.motivo());
        }
    }
    // An update cut short is settled before anything else: the folder then holds one whole
    // version.
    const QStringList cortada = RecuperarActualizacion(carpetaPrograma_);
    const QString fallo = LeerResultadoActualizador(RutaCarpetaPrivada());
    actualizacionFallida_ = !fallo.isEmpty() || !cortada.isEmpty();
    avisos.errores << cortada;
    if (!fallo.isEmpty()) avisos.errores << fallo;
    avisos.errores << SustituirFicherosActualizador(carpetaPrograma_);
    if (auto h = registro_.IniciarValoresSiNoExisten(); !h) {
        anotar(QStringLiteral("No se han podido crear los ajustes que faltan"), h.motivo());
    }
    // A run that did not end normally may have left a rule behind; another copy's run that is
    // still going keeps its own.
    for (Navegador n : kNavegadores) {
        if (auto r = registro_.EliminarRestos(n); !r) {
            avisos.general << QString::fromStdString(r.motivo());
        }
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
    // Asked once the window is on screen: this version has started, so the copies the update
    // kept of the old files are no longer needed. Copies that stay (an update not finished, told
    // at the start) do no harm and go at the next start.
    if (!confirmada_) {
        confirmada_ = true;
        (void)ConfirmarActualizacion(carpetaPrograma_);
    }
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
                (void)registro_.EscribirValor(ajuste::ApiHost.clave, api_.host.toStdString());
            }
            EstadoVersion e;
            if (!r.version) {
                e.motivo = QString::fromStdString(r.version.motivo());
            } else if (r.version->numero > versionPropia_) {
                e.estado = EstadoVersion::Disponible;
                e.numero = r.version->numero;
                e.cambios = r.version->cambios;
                e.preguntar = !actualizacionFallida_ &&
                              registro_.ajustes().Interruptor(ajuste::ComprobarActualizaciones);
            } else {
                e.estado = EstadoVersion::Actualizado;
                e.numero = r.version->numero;
            }
            emit VersionComprobada(e);
        });
}

}  // namespace marlevanta
