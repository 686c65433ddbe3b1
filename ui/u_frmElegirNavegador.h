// Asks which browser to use the certificate with, and follows the run of that browser.
#pragma once

#include <QDialog>
#include <array>
#include <optional>
#include <string>

#include "core/u_sesionNavegador.h"

class QLabel;
class QPushButton;
class QToolButton;

namespace marlevanta {

class TmanejadorFuncionesComunes;

class TfrmElegirNavegador : public QDialog {
    Q_OBJECT

public:
    // `permisos` offers the permission program when the rule cannot be written, and returns
    // once the user is done with it.
    using PedirPermisos = std::function<void(QWidget* dueno, std::function<void()> hecho)>;
    TfrmElegirNavegador(QWidget* owner, SesionNavegador::Entorno entorno, SegundoPlano& fondo,
                        TmanejadorFuncionesComunes& comunes, PedirPermisos permisos);

    // The certificate that the rule names (its subject's and issuer's real names).
    ReglaCertificado certificado;
    // With a profile per certificate: starts the browser beside any others and returns at once;
    // the dialog then closes instead of following the run. `contrasena` is the store's, once
    // asked for.
    using UsarAparte = std::function<void(Navegador, const std::string& contrasena,
                                          std::function<void(const Hecho&)> listo)>;
    void UsarEnPerfilPropio(UsarAparte usar);
    // Asks for the store's password (Firefox's copy of the certificate needs it); nullopt when
    // the user gives up. Replaceable so that a test can answer.
    using PedirContrasena = std::function<std::optional<std::string>(QWidget*, bool incorrecta)>;
    PedirContrasena pedirContrasena;

    QLabel* lblPregunta() const { return lblPregunta_; }
    QLabel* lblCertificado() const { return lblCertificado_; }
    QLabel* lblAyuda() const { return lblAyuda_; }
    QToolButton* btnEdge() const { return botones_[0]; }
    QToolButton* btnChrome() const { return botones_[1]; }
    QToolButton* btnFirefox() const { return botones_[2]; }
    QToolButton* btnCerrar() const { return btnCerrar_; }
    QToolButton* btnSalir() const { return btnSalir_; }
    bool Ejecutando() const { return sesion_->EnCurso(); }
    SesionNavegador& Sesion() { return *sesion_; }

    void done(int resultado) override;

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    void Ejecutar(Navegador navegador);
    // The key of a browser: its button, or what to install when it is missing.
    void Tecla(Navegador navegador);
    void FinDeEjecucion(const FinSesion& fin);
    // The browser started beside the others; the dialog waits, then closes or says why not.
    void UsarAparteCon(Navegador navegador, std::string contrasena);

    SesionNavegador* sesion_;
    TmanejadorFuncionesComunes& comunes_;
    PedirPermisos permisos_;
    UsarAparte usarAparte_;
    QLabel* lblPregunta_;
    QLabel* lblCertificado_;
    QLabel* lblAyuda_;
    QToolButton* Boton(Navegador navegador) const { return botones_[Indice(navegador)]; }
    static size_t Indice(Navegador navegador) { return static_cast<size_t>(navegador); }
    std::array<QToolButton*, 3> botones_{};  // in the order of Navegador
    QToolButton* btnCerrar_;
    QToolButton* btnSalir_;
    int resultadoPendiente_ = -1;
    bool preparando_ = false;       // a browser beside the others is being started
    std::array<QString, 3> falta_;  // why each browser cannot start; "" when it can
};

}  // namespace marlevanta
