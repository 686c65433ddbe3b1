#include "core/u_sesionNavegador.h"

#include "core/u_manejadorRegistro.h"
#include "core/u_segundoPlano.h"

#include <algorithm>

namespace marlevanta {

namespace {

// Waits on a worker for the program to end; the pool's end stops the wait, not the program.
void EsperarFin(SegundoPlano& fondo, QObject* contexto, std::shared_ptr<ProcesoExterno> proceso,
                std::function<void(SalidaPrograma)> fin) {
    fondo.Ejecutar(
        contexto,
        [proceso, cancelar = fondo.Cancelacion()] {
            while (!proceso->Terminado(std::chrono::milliseconds(250)) && !cancelar->load()) {
            }
            return SalidaPrograma{proceso->CodigoSalida(), proceso->SalidaError()};
        },
        std::move(fin));
}

}  // namespace

QString NombreNavegador(Navegador navegador) {
    return QString::fromUtf8(Nombres(navegador).nombre);
}

// Holds the browser and the rule in force; its end removes the rule, then lets the browser go
// (the turn is the last member to go).
class SesionNavegador::Guarda {
public:
    Guarda(TManejadorRegistro& registro, Navegador navegador, std::unique_ptr<TurnoNavegador> turno)
        : turno_(std::move(turno)), registro_(registro), navegador_(navegador) {}
    ~Guarda() { (void)Quitar(); }
    Guarda(const Guarda&) = delete;
    Guarda& operator=(const Guarda&) = delete;

    Resultado<bool> Quitar() {
        if (quitada_) return false;
        quitada_ = true;
        return registro_.EliminarCertificado(navegador_);
    }

private:
    std::unique_ptr<TurnoNavegador> turno_;
    TManejadorRegistro& registro_;
    Navegador navegador_;
    bool quitada_ = false;
};

SesionNavegador::SesionNavegador(Entorno entorno, SegundoPlano& fondo, QObject* parent)
    : QObject(parent), entorno_(std::move(entorno)), fondo_(fondo) {}

SesionNavegador::~SesionNavegador() = default;

void SesionNavegador::Iniciar(Navegador navegador, const ReglaCertificado& certificado) {
    if (enCurso_) return;
    enCurso_ = true;
    navegador_ = navegador;
    certificado_ = certificado;
    // Nothing is written for a browser that cannot be started.
    auto comando = entorno_.comandoNavegador(navegador);
    if (!comando) {
        Terminar({false, QString::fromStdString(comando.motivo())});
        return;
    }
    comando_ = *comando;
    // The browser compares the names with what it holds as text: bytes that are not text can
    // never match, and would only leave it asking.
    // (Firefox is handed the certificate itself, whatever its name.)
    if (navegador != Navegador::Firefox &&
        (!Utf8Valido(certificado_.sujeto) || !Utf8Valido(certificado_.emisor))) {
        Terminar({false, QStringLiteral("El nombre de este certificado contiene caracteres que "
                                        "no son texto válido, y el navegador no podrá "
                                        "elegirlo por sí solo. Elíjalo en la ventana del "
                                        "navegador cuando la página lo pida.")});
        return;
    }
    auto turno = entorno_.registro->ReservarNavegador(navegador);
    if (!turno) {
        Terminar({false, QString::fromStdString(turno.motivo())});
        return;
    }
    // The guard exists before the write: a write that fails half-way is taken back too.
    guarda_ = std::make_unique<Guarda>(*entorno_.registro, navegador_, std::move(*turno));
    EscribirYLanzar(0);
}

void SesionNavegador::EscribirYLanzar(size_t desde) {
    const auto lugares = entorno_.registro->LugaresRegla(navegador_);
    if (navegador_ == Navegador::Firefox && desde < lugares.size()) {
        // Copying the certificate and its key takes NSS a moment: never on the window's thread.
        fondo_.Ejecutar(
            this,
            [registro = entorno_.registro, regla = certificado_, lugar = lugares[desde]]() mutable {
                Hecho h = registro->EscribirCertificado(Navegador::Firefox, regla, lugar);
                std::fill(regla.contrasenaAlmacen.begin(), regla.contrasenaAlmacen.end(), '\0');
                return h;
            },
            [this, desde, lugar = lugares[desde]](const Hecho& escrita) {
                if (enCurso_ && !Rechazada(desde, lugar, escrita)) {
                    EscribirYLanzar(desde + 1);
                }
            });
        return;
    }
    for (size_t i = desde; i < lugares.size(); ++i) {
        if (Rechazada(i, lugares[i], EscribirRegla(lugares[i]))) return;
    }
    Lanzar();
}

bool SesionNavegador::Rechazada(size_t i, LugarRegla lugar, const Hecho& escrita) {
    if (escrita) return false;
    if (escrita.motivo() == kFaltaContrasenaAlmacen ||
        escrita.motivo() == kContrasenaAlmacenIncorrecta) {
        lugarContrasena_ = i;
        emit ContrasenaPedida(escrita.motivo() == kContrasenaAlmacenIncorrecta);
    } else if (lugar == LugarRegla::PoliticaSistema && entorno_.registro->PermisosAyudan()) {
        emit ReglaRechazada(QString::fromStdString(escrita.motivo()));
    } else {
        Terminar({false, QString::fromStdString(escrita.motivo())});
    }
    return true;
}

Hecho SesionNavegador::EscribirRegla(LugarRegla lugar) {
    return entorno_.registro->EscribirCertificado(navegador_, certificado_, lugar);
}

void SesionNavegador::ConContrasena(std::optional<std::string> contrasena) {
    if (!enCurso_) return;
    if (!contrasena) {
        Terminar({});
        return;
    }
    certificado_.contrasenaAlmacen = std::move(*contrasena);
    EscribirYLanzar(lugarContrasena_);
}

void SesionNavegador::TrasPermisos() {
    if (!enCurso_) return;
    if (navegador_ != Navegador::Chrome) {
        Terminar({});
        return;
    }
    if (auto escrita = EscribirRegla(LugarRegla::PoliticaSistema); !escrita) {
        // The real reason first: it is what the user can act on.
        Terminar({false, QString::fromStdString(escrita.motivo()) +
                             QStringLiteral("\n\nNo se ha podido seleccionar el certificado para "
                                            "el navegador Google Chrome")});
        return;
    }
    Lanzar();
}

void SesionNavegador::Lanzar() {
    // Needed only to make the copy.
    std::fill(certificado_.contrasenaAlmacen.begin(), certificado_.contrasenaAlmacen.end(), '\0');
    certificado_.contrasenaAlmacen.clear();
    auto proceso = entorno_.procesos->Iniciar(comando_.ejecutable, comando_.argumentos);
    if (!proceso) {
        Terminar({false, QStringLiteral("No se ha podido abrir ") + NombreNavegador(navegador_) +
                             QStringLiteral(": ") + QString::fromStdString(proceso.motivo())});
        return;
    }
    emit NavegadorIniciado();
    EsperarFin(fondo_, this, std::move(*proceso), [this](const SalidaPrograma&) {
        Terminar({true, QString()});
    });
}

void SesionNavegador::Terminar(FinSesion fin) {
    std::fill(certificado_.contrasenaAlmacen.begin(), certificado_.contrasenaAlmacen.end(), '\0');
    certificado_.contrasenaAlmacen.clear();
    if (guarda_) {
        if (auto quitada = guarda_->Quitar(); !quitada && fin.error.isEmpty()) {
            fin.error = QString::fromStdString(quitada.motivo());
        }
        guarda_.reset();
    }
    enCurso_ = false;
    emit Terminada(fin);
}

void EjecutarYEsperar(IniciadorProcesos& procesos, SegundoPlano& fondo, QObject* contexto,
                      const std::string& ejecutable, const std::vector<std::string>& argumentos,
                      std::function<void(Resultado<SalidaPrograma>)> fin) {
    auto proceso = procesos.Iniciar(ejecutable, argumentos, true);
    if (!proceso) {
        fin(Fallo{proceso.motivo()});
        return;
    }
    EsperarFin(fondo, contexto, std::move(*proceso),
               [fin = std::move(fin)](SalidaPrograma salida) { fin(std::move(salida)); });
}

}  // namespace marlevanta
