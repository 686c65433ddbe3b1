// What happens to the main window after it is shown: the version check's answer and the update
// it may lead to, and the keys, wherever the focus is inside the window.
#include <QAbstractButton>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include "core/u_actualizacion.h"
#include "core/u_actualizador.h"
#include "core/u_arranque.h"
#include "ui/u_botonUsarCertificado.h"
#include "ui/u_busquedaCertificados.h"
#include "ui/u_frmMenu.h"
#include "ui/u_manejadorFuncionesComunes.h"
#include "ui/u_ordenesMenu.h"
#include "ui/u_panelIzquierdo.h"
#include "ui/u_rejillaCertificados.h"

namespace marlevanta {

void TfrmMenu::VersionComprobada(const EstadoVersion& estado) {
    pnlTop_->MostrarVersion(estado);
    if (estado.estado != EstadoVersion::Disponible) return;
    lblUpdateTag = 1;
    versionDisponible_ = estado.numero;
    // Where the program cannot update itself, the label says it all; its click explains why.
    if (!estado.preguntar || !ActualizacionPropia(estado.numero)) return;
    if (servicios_.comunes.wmessagedlg(PreguntaActualizacion(estado.numero, estado.cambios),
                                       mtConfirmation, Botones({mbYes, mbNo}), 0) == 6) {
        AbrirActualizador(nullptr);
    }
}

void TfrmMenu::lblUpdateClick() {
    if (lblUpdateTag != 1) return;
    AbrirActualizador(this);
}

void TfrmMenu::AbrirActualizador(QWidget* dueno) {
    if (const Hecho propia = ActualizacionPropia(versionDisponible_); !propia) {
        servicios_.comunes.wmessagedlg(QString::fromStdString(propia.motivo()), mtInformation,
                                       Botones({mbOK}), 0);
        return;
    }
    AbrirVentanaActualizacion(dueno, servicios_, VersionPropia(), version_);
}

Hecho TfrmMenu::ActualizacionPropia(int version) const {
    const Plataforma& p = servicios_.plataforma;
    return marlevanta::ActualizacionPropia(QString::fromStdString(p.carpetaPrograma),
                                           QString::fromStdString(p.carpetaAyudantes), version);
}

bool TfrmMenu::FormKeyDown(QKeyEvent* e) {
    const int k = e->key();
    const PanelIzquierdo& p = *pnlTop_;
    if (k == Qt::Key_Return || k == Qt::Key_Enter) {
        if (!p.btnUsarCertificado->isEnabled()) return false;
        p.btnUsarCertificado->click();
        return true;
    }
    const std::pair<int, QAbstractButton*> botones[] = {
        {Qt::Key_Escape, p.btnSalir},   {Qt::Key_F1, p.btnAyuda},
        {Qt::Key_F2, p.btnEditarAlias}, {Qt::Key_F8, p.btnBorrarBusqueda},
        {Qt::Key_F9, p.btnAcercade},    {Qt::Key_F12, p.btnConfig}};
    for (const auto& [tecla, boton] : botones) {
        if (k != tecla) continue;
        boton->click();
        if (k == Qt::Key_F8) grdCertificados_->setFocus();
        return true;
    }
    if (k == Qt::Key_F3) {
        p.edtBuscarNombre->setFocus();
        return true;
    }
    if (k == Qt::Key_F5) {
        Recargar();
        return true;
    }
    if (k == Qt::Key_F4) {
        VerDetallesClick();
        return true;
    }
    const auto m = e->modifiers();
    if (k == Qt::Key_I && m.testFlag(Qt::ControlModifier)) {
        ImportarClick();
        return true;
    }
    if (k == Qt::Key_E && m.testFlag(Qt::ControlModifier)) {
        ExportarClick();
        return true;
    }
    // The font size: Ctrl with the keypad's +, - and 0 only.
    if (!m.testFlag(Qt::ControlModifier) || !m.testFlag(Qt::KeypadModifier)) return false;
    const int n = grdCertificados_->TamanoFuente();
    if (k == Qt::Key_Plus) {
        if (n < kFuenteMaxima) CambiarTamanoFuente(n + 1);
    } else if (k == Qt::Key_Minus) {
        if (n > kFuenteMinima) CambiarTamanoFuente(n - 1);
    } else if (k == Qt::Key_0) {
        CambiarTamanoFuente(kFuentePorDefecto);
    } else {
        return false;
    }
    return true;
}

bool TfrmMenu::eventFilter(QObject* objeto, QEvent* e) {
    QLabel* etiqueta = pnlTop_ ? pnlTop_->lblUpdate : nullptr;
    if (objeto == etiqueta) {
        if (e->type() == QEvent::MouseButtonRelease) lblUpdateClick();
        if ((e->type() == QEvent::Enter || e->type() == QEvent::Leave) && lblUpdateTag != 0) {
            QFont f = etiqueta->font();
            f.setUnderline(e->type() == QEvent::Enter);
            etiqueta->setFont(f);
        }
        return false;
    }
    if (e->type() != QEvent::KeyPress) return false;
    auto* w = qobject_cast<QWidget*>(objeto);
    if (!w || (w != this && !isAncestorOf(w))) return false;
    auto* tecla = static_cast<QKeyEvent*>(e);
    if (FormKeyDown(tecla)) return true;
    const QString texto = tecla->text();
    if (w == pnlTop_->edtBuscarNombre &&
        (texto == QLatin1String("%") || texto == QLatin1String("*"))) {
        return true;
    }
    if ((w == grdCertificados_ || w == grdCertificados_->viewport()) && texto.size() == 1 &&
        texto.at(0).unicode() < 128 && texto.at(0).isLetterOrNumber()) {
        busqueda_->grdCertificadosKeyPress(texto);
        return true;
    }
    return false;
}

}  // namespace marlevanta
