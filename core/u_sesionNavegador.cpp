#include "core/u_sesionNavegador.h"

#include "core/u_manejadorRegistro.h"
#include "core/u_segundoPlano.h"

namespace marlevanta {

namespace {

// Waits on a worker for the program to end; the pool's end stops the wait, not the program.
void EsperarFin(SegundoPlano& fondo, QObject* contexto, std::shared_ptr<ProcesoExterno> proceso,
                std::function<void(int)> fin) {
    fondo.Ejecutar(
        contexto,
        [proceso, cancelar = fondo.Cancelacion()] {
            while (!proceso->Terminado(std::chrono::milliseconds(250)) && !cancelar->load()) {
            }
            return proceso->CodigoSalida();
        },
        std::move(fin));
}

}  // namespace

QString NombreNavegador(Navegador navegador) {
    return navegador == Navegador::Edge ? QStringLiteral("Microsoft Edge")
                                        : QStringLiteral("Google Chrome");
}

// Holds the rule in force; its end removes it.
class SesionNavegador::Guarda {
public:
    Guarda(TManejadorRegistro& registro, Navegador navegador)
        : registro_(registro), navegador_(navegador) {}
    ~Guarda() { (void)Quitar(); }
    Guarda(const Guarda&) = delete;
    Guarda& operator=(const Guarda&) = delete;

    Resultado<bool> Quitar() {
        if (quitada_) return false;
        quitada_ = true;
        return navegador_ == Navegador::Edge ? registro_.EliminarCertificadoEdge()
                                             : registro_.EliminarCertificadoChrome();
    }

private:
    TManejadorRegistro& registro_;
    Navegador navegador_;
    bool quitada_ = false;
};

SesionNavegador::SesionNavegador(Entorno entorno, SegundoPlano& fondo, QObject* parent)
    : QObject(parent), entorno_(std::move(entorno)), fondo_(fondo) {}

SesionNavegador::~SesionNavegador() = default;

void SesionNavegador::Iniciar(Navegador navegador, const QString& certificado) {
    if (enCurso_) return;
    enCurso_ = true;
    navegador_ = navegador;
    certificado_ = certificado.toStdString();
    // Nothing is written for a browser that cannot be started.
    auto comando = entorno_.comandoNavegador(navegador);
    if (!comando) {
        Terminar({false, QString::fromStdString(comando.motivo())});
        return;
    }
    comando_ = *comando;
    // The guard exists before the write: a write that fails half-way is taken back too.
    guarda_ = std::make_unique<Guarda>(*entorno_.registro, navegador_);
    if (auto escrita = EscribirRegla(); !escrita) {
        emit ReglaRechazada(QString::fromStdString(escrita.motivo()));
        return;
    }
    Lanzar();
}

Hecho SesionNavegador::EscribirRegla() {
    return navegador_ == Navegador::Edge
               ? entorno_.registro->EscribirCertificadoEdge(certificado_)
               : entorno_.registro->EscribirCertificadoChrome(certificado_);
}

void SesionNavegador::TrasPermisos() {
    if (!enCurso_) return;
    if (navegador_ == Navegador::Edge) {
        Terminar({});
        return;
    }
    if (auto escrita = EscribirRegla(); !escrita) {
        Terminar({false, QStringLiteral("No se ha podido seleccionar el certificado para el "
                                        "navegador Google Chrome")});
        return;
    }
    Lanzar();
}

void SesionNavegador::Lanzar() {
    auto proceso = entorno_.procesos->Iniciar(comando_.ejecutable, comando_.argumentos);
    if (!proceso) {
        Terminar({false, QStringLiteral("No se ha podido abrir ") + NombreNavegador(navegador_) +
                             QStringLiteral(": ") + QString::fromStdString(proceso.motivo())});
        return;
    }
    emit NavegadorIniciado();
    EsperarFin(fondo_, this, std::move(*proceso), [this](int) { Terminar({true, QString()}); });
}

void SesionNavegador::Terminar(FinSesion fin) {
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
                      std::function<void(Resultado<int>)> fin) {
    auto proceso = procesos.Iniciar(ejecutable, argumentos);
    if (!proceso) {
        fin(Fallo{proceso.motivo()});
        return;
    }
    EsperarFin(fondo, contexto, std::move(*proceso),
               [fin = std::move(fin)](int codigo) { fin(codigo); });
}

}  // namespace marlevanta
