// Asks which browser to use the certificate with, and follows the run of that browser.
#pragma once

#include <QDialog>

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
    // the dialog then closes instead of following the run.
    using UsarAparte = std::function<Hecho(Navegador)>;
    void UsarEnPerfilPropio(UsarAparte usar);

    QLabel* lblPregunta() const { return lblPregunta_; }
    QLabel* lblCertificado() const { return lblCertificado_; }
    QLabel* lblAyuda() const { return lblAyuda_; }
    QToolButton* btnEdge() const { return btnEdge_; }
    QToolButton* btnChrome() const { return btnChrome_; }
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

    SesionNavegador* sesion_;
    TmanejadorFuncionesComunes& comunes_;
    PedirPermisos permisos_;
    UsarAparte usarAparte_;
    QLabel* lblPregunta_;
    QLabel* lblCertificado_;
    QLabel* lblAyuda_;
    QToolButton* btnEdge_;
    QToolButton* btnChrome_;
    QToolButton* btnCerrar_;
    QToolButton* btnSalir_;
    int resultadoPendiente_ = -1;
    QString faltaEdge_;  // why Edge cannot start; "" when it can
    QString faltaChrome_;
};

}  // namespace marlevanta
