// The main window: certificate list, search, switches, order, grid and commands. It holds no
// logic of its own beyond wiring: start-up, loading, browser use and update are actions of core.
#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "core/plataforma/u_plataforma.h"
#include "core/u_ajustesVentana.h"
#include "core/u_datosPrograma.h"
#include "core/u_manejadorRegistro.h"
#include "core/u_tablaCertificados.h"
#include "ui/u_panelIzquierdo.h"
#include "ui/u_rejillaCertificados.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableView;
class QToolButton;
class QKeyEvent;

namespace marlevanta {

class Arranque;
class AvisoCaducidad;
class BotonUsarCertificado;
class SesionesPorCertificado;
class BusquedaCertificados;
class CargaCertificados;
class ImportacionFirefox;
class ModeloCertificados;
class PanelIzquierdo;
class RejillaCertificados;
class SegundoPlano;
class TManejadorApi;
class TmanejadorFuncionesComunes;
struct EstadoVersion;

class TfrmMenu : public QWidget {
    Q_OBJECT

public:
    // The services of the whole run, built by the program's entry; they outlive the window.
    struct Servicios {
        Plataforma& plataforma;
        TManejadorRegistro& registro;
        TManejadorApi& api;
        SegundoPlano& fondo;
        TmanejadorFuncionesComunes& comunes;
        // Ends the program after an update's hand-over, without the close question.
        std::function<void()> solicitarFin;
    };
    struct Opciones {
        QStringList argumentos;
        DatosContacto contacto;
        TManejadorRegistro::FuentePantalla pantalla;  // primary screen size; the real one if empty
    };

    TfrmMenu(Servicios servicios, Opciones opciones);
    ~TfrmMenu() override;

    // The sentence over the grid when the store has no certificate at all.
    static inline const QString kTextoSinCertificados = QStringLiteral(
        "Todavía no hay ningún certificado personal en este equipo: importe el suyo desde el "
        "archivo .p12 o .pfx que le dieron.");

    // Chooses the file to import; a file dialog when empty (tests give their own).
    std::function<QString(QWidget*)> elegirArchivo;
    // Chooses the file the list is exported to; a save dialog when empty.
    std::function<QString(QWidget*)> elegirArchivoExportar;

    qint32 appVersion = 0;
    qint32 appSubversion = 0;
    qint32 appBuild = 0;
    bool modo_demo = false;
    int lblUpdateTag = 0;

    // For the windows and the tests that drive this one.
    TTablaCertificados& cdsCertificados() { return *cdsCertificados_; }
    RejillaCertificados* grdCertificados() const { return grdCertificados_; }
    QLineEdit* edtBuscarNombre() const { return pnlTop_->edtBuscarNombre; }
    QPushButton* btnBorrarBusqueda() const { return pnlTop_->btnBorrarBusqueda; }
    QCheckBox* chkVerCertificadosCliente() const { return pnlTop_->chkVerCertificadosCliente; }
    QCheckBox* chkOcultarCaducados() const { return pnlTop_->chkOcultarCaducados; }
    QCheckBox* chkProximos() const { return pnlTop_->chkProximos; }
    QComboBox* cmbOrden() const { return pnlTop_->cmbOrden; }
    BotonUsarCertificado* btnUsarCertificado() const { return pnlTop_->btnUsarCertificado; }
    QPushButton* btnEditarAlias() const { return pnlTop_->btnEditarAlias; }
    QLabel* lblUpdate() const { return pnlTop_->lblUpdate; }
    QToolButton* btnSalir() const { return pnlTop_->btnSalir; }
    QMenu* menuGrid() const { return grdCertificados_->Menu(); }
    ModeloCertificados* Modelo() const { return grdCertificados_->Modelo(); }
    int TamanoFuenteGrid() const { return grdCertificados_->TamanoFuente(); }
    int TamanoFuenteTitulos() const { return grdCertificados_->TamanoFuenteTitulos(); }
    int AnchoColumna(int posicion) const {
        return grdCertificados_->Anchos()[static_cast<size_t>(posicion)];
    }
    // True while the certificates are being read.
    bool Cargando() const;

protected:
    void showEvent(QShowEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* objeto, QEvent* e) override;

private:
    void CrearControles();
    void FormCreate();
    void FormShow();
    void PedirVersion();
    bool FormCloseQuery();
    void FormClose();
    bool FormKeyDown(QKeyEvent* e);

    void CargarCertificados();
    void CertificadosCargados(const Hecho& resultado);
    void cdsCertificadosAfterScroll();
    void btnUsarCertificadoClick();
    void btnEditarAliasClick();
    void ImportarClick();
    void ImportarFirefoxClick();
    // Looks in Firefox's profiles for what the store lacks, to offer it.
    void BuscarEnFirefox();
    void ExportarClick();
    void VerDetallesClick();
    // Makes the row of that thumbprint current, clearing a search that hides it.
    void SeleccionarCertificado(const QString& huella);
    void btnConfigClick();
    void btnAyudaClick();
    void btnAcercadeClick();
    void lblUpdateClick();
    void VersionComprobada(const EstadoVersion& estado);
    void AbrirActualizador(QWidget* dueno);
    // Whether this copy may install `version` itself; the failure says why not.
    Hecho ActualizacionPropia(int version) const;
    int VersionPropia() const;
    void Recargar();
    void CambiarTamanoFuente(int n);
    void GuardarAnchoColumnasGrid();
    void ColocarVentana(const AjustesVentana& ajustes);
    // Settings that could not be read and were not told before, with where they are kept.
    void AvisarAjustesIlegibles(const QStringList& problemas);
    // Names, under the use button, the certificates whose own browser is open.
    void MostrarAbiertos();
    void Avisar(const QString& mensaje);
    // The desktop notice of certificates about to expire, from the first load on.
    void EmpezarAvisosCaducidad();
    // The desktop's notice service, made at its first use; nullptr where there is none.
    AvisosEscritorio* Avisos();

    Servicios servicios_;
    Opciones opciones_;
    std::unique_ptr<TTablaCertificados> cdsCertificados_;
    Arranque* arranque_ = nullptr;
    BusquedaCertificados* busqueda_ = nullptr;
    CargaCertificados* carga_ = nullptr;
    ImportacionFirefox* firefox_ = nullptr;
    SesionesPorCertificado* sesiones_ = nullptr;
    std::unique_ptr<AvisosEscritorio> avisosEscritorio_;
    AvisoCaducidad* avisoCaducidad_ = nullptr;
    QString avisoFirefoxDado_;  // the finding in Firefox the desktop was last told of
    bool mostrado_ = false;
    bool versionPedida_ = false;
    bool cerrando_ = false;
    std::string seleccionarTrasCarga_;
    QString version_;
    QString fechaVersion_;
    int versionDisponible_ = 0;  // the newer version the start-up check found

    PanelIzquierdo* pnlTop_ = nullptr;
    RejillaCertificados* grdCertificados_ = nullptr;

    // What the user has already been told about the settings, so that it is told only once.
    bool ajustesEscribibles_ = true;
};

}  // namespace marlevanta
