// One use of a certificate in a browser: the browser is found, the rule that makes it choose the
// certificate by itself is written, the browser is started and waited for on a worker, and the
// rule is taken away again whatever happens (a guard removes it on every way out).
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/plataforma/u_comandoNavegador.h"
#include "core/plataforma/u_procesoExterno.h"

namespace marlevanta {

class SegundoPlano;
class TManejadorRegistro;

struct FinSesion {
    bool navegadorEjecutado = false;  // a browser really ran and has been closed
    QString error;                    // what to tell the user, when anything
};

// Names of each browser in what the user reads.
QString NombreNavegador(Navegador navegador);

class SesionNavegador : public QObject {
    Q_OBJECT

public:
    struct Entorno {
        TManejadorRegistro* registro = nullptr;  // writes and removes the rule
        std::function<Resultado<ComandoNavegador>(Navegador)> comandoNavegador;
        std::shared_ptr<IniciadorProcesos> procesos;
    };

    SesionNavegador(Entorno entorno, SegundoPlano& fondo, QObject* parent = nullptr);
    ~SesionNavegador() override;

    // Starts the run for the certificate `certificado` names. ReglaRechazada when the managed
    // policy cannot be written (the permission program may help); NavegadorIniciado once the
    // browser runs; Terminada at the end. Another copy's run with the same browser, or a browser
    // that has the profile open, ends the run at once with what to do.
    void Iniciar(Navegador navegador, const ReglaCertificado& certificado);
    // After ReglaRechazada, once the permissions have been asked for: Chrome tries the policy
    // once more, Edge ends the run.
    void TrasPermisos();
    // After ContrasenaPedida: the store's password, or nullopt when the user gave up (the run
    // ends without a browser).
    void ConContrasena(std::optional<std::string> contrasena);
    bool EnCurso() const { return enCurso_; }
    Navegador NavegadorEnUso() const { return navegador_; }

signals:
    void ReglaRechazada(const QString& motivo);
    // Firefox's copy of the certificate needs the store's password; `incorrecta` after a wrong
    // one. The run waits for ConContrasena.
    void ContrasenaPedida(bool incorrecta);
    void NavegadorIniciado();
    void Terminada(const FinSesion& fin);

private:
    class Guarda;
    Hecho EscribirRegla(LugarRegla lugar);
    // Writes the rule in every place in turn from `desde`, then starts the browser.
    void EscribirYLanzar(size_t desde);
    // What a failed write of the place numbered `i` leads to; false when it did not fail.
    bool Rechazada(size_t i, LugarRegla lugar, const Hecho& escrita);
    void Lanzar();
    void Terminar(FinSesion fin);

    Entorno entorno_;
    SegundoPlano& fondo_;
    Navegador navegador_ = Navegador::Chrome;
    ReglaCertificado certificado_;
    ComandoNavegador comando_;
    std::unique_ptr<Guarda> guarda_;
    bool enCurso_ = false;
    size_t lugarContrasena_ = 0;  // the place whose write asked for the store's password
};

// How a program ended: its exit code (-1 when it did not end by itself) and its standard error.
struct SalidaPrograma {
    int codigo = -1;
    std::string error;
};

// Starts a program and waits for its end on a worker, without holding the window's thread;
// `fin` gets how it ended, or why it could not start, on `contexto`'s thread.
void EjecutarYEsperar(IniciadorProcesos& procesos, SegundoPlano& fondo, QObject* contexto,
                      const std::string& ejecutable, const std::vector<std::string>& argumentos,
                      std::function<void(Resultado<SalidaPrograma>)> fin);

}  // namespace marlevanta
