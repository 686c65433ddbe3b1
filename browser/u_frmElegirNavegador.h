// Asks which browser to use the certificate with, and runs it with the policy in force.
#pragma once

#include <QDialog>

#include "store/politicas.h"

class QLabel;
class QPushButton;
class QToolButton;

namespace marlevanta {

class TManejadorRegistro;

class TfrmElegirNavegador : public QDialog {
    Q_OBJECT

public:
    // `registro` writes and removes the browser policies.
    TfrmElegirNavegador(QWidget* owner, TManejadorRegistro& registro);

    // The subject common name that the policy names.
    QString certificado;

    QLabel* lblPregunta() const { return lblPregunta_; }
    QLabel* lblCertificado() const { return lblCertificado_; }
    QLabel* lblAyuda() const { return lblAyuda_; }
    QToolButton* btnEdge() const { return btnEdge_; }
    QToolButton* btnChrome() const { return btnChrome_; }
    QToolButton* btnCerrar() const { return btnCerrar_; }
    QToolButton* btnSalir() const { return btnSalir_; }
    bool Ejecutando() const { return ejecutando_; }

    void done(int resultado) override;

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    void Ejecutar(Navegador navegador);
    void FinDeEjecucion(Navegador navegador);

    TManejadorRegistro& registro_;
    QLabel* lblPregunta_;
    QLabel* lblCertificado_;
    QLabel* lblAyuda_;
    QToolButton* btnEdge_;
    QToolButton* btnChrome_;
    QToolButton* btnCerrar_;
    QToolButton* btnSalir_;
    bool ejecutando_ = false;
    int resultadoPendiente_ = -1;
};

}  // namespace marlevanta
