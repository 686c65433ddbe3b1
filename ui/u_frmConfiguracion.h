// The options window: grid font size and columns, exit question, start-up update check.
#pragma once

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "core/u_ajustes.h"

class QCheckBox;
class QSpinBox;
class QStackedWidget;
class QToolButton;
class QPushButton;

namespace marlevanta {

class InicioSesion;
class RejillaCertificados;
class TManejadorRegistro;

class TfrmConfiguracion : public QDialog {
    Q_OBJECT

public:
    // `rejilla` shows each change at once; `abrirActualizador` opens the updater window over
    // the window it is given.
    TfrmConfiguracion(QWidget* owner, TManejadorRegistro& registro, RejillaCertificados& rejilla,
                      std::function<void(QWidget*)> abrirActualizador);

    QStackedWidget* pgSecciones() const { return pgSecciones_; }
    QWidget* tbsApariencia() const { return tbsApariencia_; }
    QWidget* tbsComportamiento() const { return tbsComportamiento_; }
    QSpinBox* edtGridTamanoFuente() const { return edtGridTamanoFuente_; }
    QCheckBox* chkGridVerEmail() const { return chkGridVerEmail_; }
    QCheckBox* chkGridVerEmitidoPor() const { return chkGridVerEmitidoPor_; }
    QCheckBox* chkGridVerValidoDesde() const { return chkGridVerValidoDesde_; }
    QCheckBox* chkGridVerPropositos() const { return chkGridVerPropositos_; }
    QCheckBox* chkConfirmarSalida() const { return chkConfirmarSalida_; }
    QCheckBox* chkComprobarActualizaciones() const { return chkComprobarActualizaciones_; }
    QCheckBox* chkPoliticaSistema() const { return chkPoliticaSistema_; }
    QCheckBox* chkPerfilPorCertificado() const { return chkPerfilPorCertificado_; }
    QPushButton* btnPerfiles() const { return btnPerfiles_; }
    QCheckBox* chkAvisosCaducidad() const { return chkAvisosCaducidad_; }
    QSpinBox* edtDiasAviso() const { return edtDiasAviso_; }
    QCheckBox* chkAvisarInicioSesion() const { return chkAvisarInicioSesion_; }
    // Offers the check at the session's start through `inicio` (which outlives the window), for
    // `programa`; without it the switch stays greyed out.
    void UsarInicioSesion(InicioSesion* inicio, std::string programa);
    // Opens the list of certificate profiles.
    std::function<void(QWidget*)> abrirPerfiles;
    QToolButton* btnApariencia() const { return btnApariencia_; }
    QToolButton* btnComportamiento() const { return btnComportamiento_; }
    QToolButton* btnSalir() const { return btnSalir_; }
    QPushButton* btnComprobarAhora() const { return btnComprobarAhora_; }

    // The size field's value: empty or unreadable text counts as 6.
    int TamanoFuente() const;

protected:
    void done(int resultado) override;

private:
    void edtGridTamanoFuenteChange();
    void chkGridVerEmailClick();
    void btnComprobarAhoraClick();
    void GuardarOpciones();

    TManejadorRegistro& registro_;
    RejillaCertificados& rejilla_;
    std::function<void(QWidget*)> abrirActualizador_;
    // Each switch with its setting and what it showed when the window opened: only what the user
    // changed is written, so a value that could not be read is never replaced by its default.
    struct Campo {
        QCheckBox* caja;
        const Ajuste* ajuste;
        bool inicial;
    };
    std::vector<Campo> campos_;
    int fuenteInicial_ = 0;
    int diasInicial_ = 0;
    InicioSesion* inicioSesion_ = nullptr;
    std::string programa_;
    bool inicioInicial_ = false;
    bool llenando_ = true;
    bool guardado_ = false;
    QStackedWidget* pgSecciones_;
    QWidget* tbsApariencia_;
    QWidget* tbsComportamiento_;
    QSpinBox* edtGridTamanoFuente_;
    QCheckBox* chkAvisosCaducidad_;
    QSpinBox* edtDiasAviso_;
    QCheckBox* chkAvisarInicioSesion_;
    QCheckBox* chkGridVerEmail_;
    QCheckBox* chkGridVerEmitidoPor_;
    QCheckBox* chkGridVerValidoDesde_;
    QCheckBox* chkGridVerPropositos_;
    QCheckBox* chkConfirmarSalida_;
    QCheckBox* chkComprobarActualizaciones_;
    QCheckBox* chkPoliticaSistema_;
    QCheckBox* chkPerfilPorCertificado_;
    QPushButton* btnPerfiles_;
    QToolButton* btnApariencia_;
    QToolButton* btnComportamiento_;
    QToolButton* btnSalir_;
    QPushButton* btnComprobarAhora_;
};

}  // namespace marlevanta
