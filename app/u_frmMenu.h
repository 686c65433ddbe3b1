// The main window: certificate list, search, switches, order, grid and commands.
#pragma once

#include <QDateTime>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>

#include "app/certstore/certstore.h"
#include "app/tabla_certificados.h"
#include "common/u_manejadorFuncionesComunes.h"
#include "store/u_manejadorRegistro.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QAction;
class QTableView;
class QToolButton;
class QKeyEvent;

namespace marlevanta {

class ModeloCertificados;
class TManejadorApi;
class BotonUsarCertificado;
class TfrmMenu;

// Program-wide references, each to the one object of the whole run.
extern TfrmMenu* frmMenu;
extern TmanejadorFuncionesComunes* ManejadorFuncionesComunes;
extern TManejadorRegistro* ManejadorRegistro;
extern TManejadorApi* ManejadorApi;

// True when an argument reads "/demo" after trimming blanks and lowering its letters.
bool ArgumentosPidenDemo(const QStringList& argumentos);

// "alias - subject" for a row with an alias (trimmed), the subject alone otherwise.
QString DescripcionCertificado(const RegistroCertificado& r);

// The program's picture, 96 x 96.
QPixmap LogoPrograma();

// Shows an error that escaped an event handler, as the application's general error handler.
void MostrarErrorGeneral(const QString& mensaje);

class TfrmMenu : public QWidget {
    Q_OBJECT

public:
    struct Opciones {
        QStringList argumentos;
        TManejadorRegistro::FuentePantalla pantalla;  // primary screen size; the real one if empty
        // Where the certificates come from outside demonstration mode; the user's NSS database
        // if empty.
        std::function<std::unique_ptr<AlmacenCertificados>()> almacen;
    };

    explicit TfrmMenu(Opciones opciones);
    ~TfrmMenu() override;

    qint32 appVersion = 0;
    qint32 appSubversion = 0;
    qint32 appBuild = 0;
    QString CopyEmpresa;
    QString CopyDireccion;
    QString CopyTelefonos;
    QString CopyWeb;
    QString CopyEmailGeneral;
    QString CopyEmailSoporte;
    bool modo_demo = false;

    void AjustarGrid();
    void CambiarAnchoColumnasGrid();
    // Cell font n points, titles n + 3; the widths stay as they are.
    void FijarFuenteGrid(int n);

    // For the windows and the tests that drive this one.
    TTablaCertificados& cdsCertificados() { return *cdsCertificados_; }
    QTableView* grdCertificados() const { return grdCertificados_; }
    QLineEdit* edtBuscarNombre() const { return edtBuscarNombre_; }
    QPushButton* btnBorrarBusqueda() const { return btnBorrarBusqueda_; }
    QCheckBox* chkVerCertificadosCliente() const { return chkVerCertificadosCliente_; }
    QCheckBox* chkOcultarCaducados() const { return chkOcultarCaducados_; }
    QCheckBox* chkProximos() const { return chkProximos_; }
    QComboBox* cmbOrden() const { return cmbOrden_; }
    BotonUsarCertificado* btnUsarCertificado() const { return btnUsarCertificado_; }
    QPushButton* btnEditarAlias() const { return btnEditarAlias_; }
    QLabel* lblUpdate() const { return lblUpdate_; }
    QToolButton* btnSalir() const { return btnSalir_; }
    QMenu* menuGrid() const { return menuGrid_; }
    ModeloCertificados* Modelo() const { return modelo_; }
    int TamanoFuenteGrid() const { return tamanoFuente_; }
    int TamanoFuenteTitulos() const;
    int AnchoColumna(int posicion) const { return anchos_[posicion]; }
    int lblUpdateTag = 0;

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* objeto, QEvent* e) override;

private:
    void CrearControles();
    void FormCreate(const QStringList& argumentos);
    void FormShow();
    bool FormCloseQuery();
    void FormClose();
    bool FormKeyDown(QKeyEvent* e);

    void CargarCertificados();
    void AplicarFiltro();
    void edtBuscarNombreChange();
    void chkProximosClick();
    void btnBorrarBusquedaClick();
    void cmbOrdenChange();
    void miOrdenNumeroClick(int tag);
    void grdCertificadosKeyPress(const QString& texto);
    void cdsCertificadosAfterScroll();
    void btnUsarCertificadoClick();
    void btnEditarAliasClick();
    void btnConfigClick(bool apariencia);
    void btnAyudaClick();
    void btnAcercadeClick();
    void btnSalirClick();
    void lblUpdateClick();
    void ComprobarActualizacionInicio();
    int VersionPropia() const;
    void Recargar();
    void CambiarTamanoFuente(int n);
    void GuardarAnchoColumnasGrid();
    static int AnchoColumnaDefecto(int index);
    void ColocarVentana();
    void SincronizarFilaActual();

    Opciones opciones_;
    std::unique_ptr<TmanejadorFuncionesComunes> funcionesComunes_;
    std::unique_ptr<TManejadorRegistro> registro_;
    std::unique_ptr<TManejadorApi> api_;
    std::unique_ptr<TTablaCertificados> cdsCertificados_;
    ModeloCertificados* modelo_ = nullptr;
    bool mostrado_ = false;
    bool cerrando_ = false;
    bool sincronizando_ = false;
    int tamanoFuente_ = 10;
    int columnaActual_ = 0;
    int anchos_[8] = {50, 400, 200, 120, 250, 300, 120, 350};

    QWidget* pnlTop_ = nullptr;
    QFrame* Panel1_ = nullptr;
    QLineEdit* edtBuscarNombre_ = nullptr;
    QPushButton* btnBorrarBusqueda_ = nullptr;
    QCheckBox* chkVerCertificadosCliente_ = nullptr;
    QCheckBox* chkOcultarCaducados_ = nullptr;
    QCheckBox* chkProximos_ = nullptr;
    QComboBox* cmbOrden_ = nullptr;
    BotonUsarCertificado* btnUsarCertificado_ = nullptr;
    QPushButton* btnEditarAlias_ = nullptr;
    QLabel* lblUpdate_ = nullptr;
    QToolButton* btnAyuda_ = nullptr;
    QToolButton* btnConfig_ = nullptr;
    QToolButton* btnAcercade_ = nullptr;
    QToolButton* btnSalir_ = nullptr;
    QTableView* grdCertificados_ = nullptr;
    QMenu* menuGrid_ = nullptr;
};

// The large button: a picture above a caption that wraps onto two lines.
class BotonUsarCertificado : public QPushButton {
    Q_OBJECT

public:
    explicit BotonUsarCertificado(QWidget* parent);
    // The caption as the program builds it, with a carriage return between number and name.
    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);

protected:
    void changeEvent(QEvent* e) override;

private:
    QString caption_;
    QLabel* imagen_;
    QLabel* texto_;
};

}  // namespace marlevanta
