#include "ui/u_frmMenu.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>

#include "core/u_actualizacion.h"
#include "core/u_actualizador.h"
#include "core/u_arranque.h"
#include "core/u_cargaCertificados.h"
#include "core/u_expresionFiltro.h"
#include "core/u_manejadorApi.h"
#include "core/u_manejadorDatosVersion.h"
#include "ui/u_botonUsarCertificado.h"
#include "ui/u_fuentes.h"
#include "ui/u_manejadorFuncionesComunes.h"
#include "ui/u_modeloCertificados.h"
#include "ui/u_ordenesMenu.h"
#include "ui/u_panelIzquierdo.h"
#include "ui/u_rejillaCertificados.h"

namespace marlevanta {

namespace {

const char* kIndices[] = {kIndiceInIndice, kIndiceInEmitidoPara, kIndiceInAlias,
                          kIndiceInFechaCaducidad};

}  // namespace

bool ArgumentosPidenDemo(const QStringList& argumentos) {
    for (const QString& a : argumentos) {
        if (a.trimmed().toLower() == QLatin1String("/demo")) return true;
    }
    return false;
}

QString DescripcionCertificado(const RegistroCertificado& r) {
    const QString alias = r.alias.trimmed();
    return alias.isEmpty() ? r.emitido_para : alias + QStringLiteral(" - ") + r.emitido_para;
}

TfrmMenu::TfrmMenu(Servicios servicios, Opciones opciones)
    : servicios_(std::move(servicios)), opciones_(std::move(opciones)) {
    setWindowTitle(kTituloAplicacion);
    setFont(Tahoma(11));
    setMinimumSize(950, 670);
    resize(934, 632);
    if (!opciones_.pantalla) {
        opciones_.pantalla = [] {
            const QScreen* s = QGuiApplication::primaryScreen();
            return s ? TamanoPantalla{s->availableGeometry().width(),
                                      s->availableGeometry().height()}
                     : TamanoPantalla{};
        };
    }
    cdsCertificados_ = std::make_unique<TTablaCertificados>();
    CrearControles();
    // Every key of this window passes here before the focused control sees it.
    qApp->installEventFilter(this);
    FormCreate();
}

TfrmMenu::~TfrmMenu() {
    qApp->removeEventFilter(this);
    // The grid reads the table until it is gone, and the table is a member: the grid goes first.
    delete grdCertificados_;
    grdCertificados_ = nullptr;
}

void TfrmMenu::CrearControles() {
    auto* capa = new QHBoxLayout(this);
    capa->setContentsMargins(0, 0, 0, 0);
    capa->setSpacing(0);
    pnlTop_ = new PanelIzquierdo(this);
    capa->addWidget(pnlTop_);
    grdCertificados_ = new RejillaCertificados(*cdsCertificados_, this);
    capa->addWidget(grdCertificados_, 1);
    // The update label's events reach eventFilter through the application's filter below; a
    // filter of its own as well would see each click twice and open the updater twice.

    menuGrid_ = new QMenu(this);
    menuGrid_->setObjectName(QStringLiteral("menuGrid"));
    QAction* miEditarAlias = menuGrid_->addAction(QStringLiteral("Editar alias (F2)"));
    miEditarAlias->setObjectName(QStringLiteral("miEditarAlias"));
    connect(miEditarAlias, &QAction::triggered, this, &TfrmMenu::btnEditarAliasClick);
    menuGrid_->addSeparator();
    const char* ordenes[] = {"Ordenar por Nº", "Ordenar por Emitido Para", "Ordenar por Alias",
                             "Ordenar por Válido Hasta"};
    const char* nombresOrden[] = {"miOrdenNumero", "miOrdenEmitido", "miOrdenAlias",
                                  "miOrdenValido"};
    for (int tag = 0; tag < 4; ++tag) {
        QAction* a = menuGrid_->addAction(QString::fromUtf8(ordenes[tag]));
        a->setObjectName(QString::fromLatin1(nombresOrden[tag]));
        a->setData(tag);
        connect(a, &QAction::triggered, this, [this, tag] { miOrdenNumeroClick(tag); });
    }
    menuGrid_->addSeparator();
    QAction* apariencia = menuGrid_->addAction(QStringLiteral("Apariencia"));
    apariencia->setObjectName(QStringLiteral("miApariencia"));
    connect(grdCertificados_, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        menuGrid_->popup(grdCertificados_->viewport()->mapToGlobal(p));
    });

    const PanelIzquierdo& p = *pnlTop_;
    connect(p.edtBuscarNombre, &QLineEdit::textChanged, this, &TfrmMenu::AplicarFiltro);
    connect(p.chkVerCertificadosCliente, &QCheckBox::toggled, this, &TfrmMenu::AplicarFiltro);
    connect(p.chkOcultarCaducados, &QCheckBox::toggled, this, &TfrmMenu::AplicarFiltro);
    connect(p.chkProximos, &QCheckBox::toggled, this, &TfrmMenu::chkProximosClick);
    connect(p.btnBorrarBusqueda, &QPushButton::clicked, this, &TfrmMenu::btnBorrarBusquedaClick);
    connect(p.cmbOrden, &QComboBox::activated, this, &TfrmMenu::cmbOrdenChange);
    connect(p.btnUsarCertificado, &QPushButton::clicked, this, &TfrmMenu::btnUsarCertificadoClick);
    connect(grdCertificados_, &QAbstractItemView::doubleClicked, this,
            &TfrmMenu::btnUsarCertificadoClick);
    connect(p.btnEditarAlias, &QPushButton::clicked, this, &TfrmMenu::btnEditarAliasClick);
    connect(p.btnSalir, &QToolButton::clicked, this, &QWidget::close);
    connect(p.btnConfig, &QToolButton::clicked, this, &TfrmMenu::btnConfigClick);
    connect(apariencia, &QAction::triggered, this, &TfrmMenu::btnConfigClick);
    connect(p.btnAyuda, &QToolButton::clicked, this, &TfrmMenu::btnAyudaClick);
    connect(p.btnAcercade, &QToolButton::clicked, this, &TfrmMenu::btnAcercadeClick);
    connect(cdsCertificados_.get(), &TTablaCertificados::AfterScroll, this,
            &TfrmMenu::cdsCertificadosAfterScroll);
}

void TfrmMenu::FormCreate() {
    // Process-wide formats: Spanish conventions, dates dd/mm/yyyy.
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
    modo_demo = ArgumentosPidenDemo(opciones_.argumentos);
    {
        TManejadorDatosVersion version(servicios_.plataforma.archivoPrograma());
        if (auto n = version.ObtenerVersionNumerica()) {
            appVersion = n->version;
            appSubversion = n->subversion;
            appBuild = n->build;
        }
        version_ = version.ObtenerVersion().valor_o(QString());
        fechaVersion_ = version.ObtenerFechaVersion().valor_o(QString());
        setWindowTitle(kTituloAplicacion + QStringLiteral(" (Versión ") + version_ +
                       QStringLiteral(" - ") + fechaVersion_ + QStringLiteral(")"));
    }
    arranque_ = new Arranque(servicios_.registro, servicios_.api, servicios_.fondo,
                             QString::fromStdString(servicios_.plataforma.carpetaPrograma),
                             VersionPropia(), this);
    connect(arranque_, &Arranque::VersionComprobada, this, &TfrmMenu::VersionComprobada);
    // Each step runs whatever the others did: a damaged setting never keeps a rule in force.
    const Arranque::Avisos avisos = arranque_->AntesDeMostrar();
    for (const QString& e : avisos.errores)
        servicios_.comunes.wmessagedlg(e, mtError, Botones({mbOK}), 0);
    if (!avisos.general.isEmpty()) MostrarErrorGeneral(nullptr, avisos.general.join(u'\n'));

    cdsCertificados_->OnCalcFields = [](RegistroCertificado& r) { r.calculated_indice = r.id + 1; };
    cdsCertificados_->Open();
    carga_ = new CargaCertificados(*cdsCertificados_, servicios_.registro,
                                   servicios_.plataforma.almacenCertificados, servicios_.fondo,
                                   modo_demo, this);
    connect(carga_, &CargaCertificados::Cargada, this, &TfrmMenu::CertificadosCargados);

    const AjustesVentana ajustes = AjustesVentana::Leer(servicios_.registro);
    ColocarVentana(ajustes);
    PanelIzquierdo& p = *pnlTop_;
    p.chkOcultarCaducados->setChecked(ajustes.ocultarCaducados);
    p.chkVerCertificadosCliente->setChecked(ajustes.soloCliente);
    p.chkProximos->setChecked(ajustes.proximos);
    if (p.chkProximos->isChecked()) p.chkOcultarCaducados->setChecked(true);
    p.chkOcultarCaducados->setEnabled(!p.chkProximos->isChecked());
    grdCertificados_->AjustarGrid(ajustes.rejilla);
    p.cmbOrden->setCurrentIndex(ajustes.columnaOrden);
    if (!ajustes.problemas.isEmpty()) {
        MostrarErrorGeneral(nullptr, QStringLiteral("Algunos ajustes de \"") +
                                         QString::fromStdString(servicios_.registro.Ubicacion()) +
                                         QStringLiteral("\" no se pueden leer; se usan los valores "
                                                        "por defecto:\n") +
                                         ajustes.problemas.join(u'\n'));
    }
}

void TfrmMenu::ColocarVentana(const AjustesVentana& ajustes) {
    if (ajustes.maximizada) {
        setWindowState(windowState() | Qt::WindowMaximized);
        return;
    }
    const Geometria g =
        Colocacion(ajustes.geometria, opciones_.pantalla(), minimumWidth(), minimumHeight());
    resize(g.ancho, g.alto);
    move(g.x, g.y);
}

void TfrmMenu::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (mostrado_) return;
    mostrado_ = true;
    servicios_.comunes.FijarVentanaPrincipal(this);
    FormShow();
}

void TfrmMenu::FormShow() {
    CargarCertificados();
    cmbOrdenChange();
    grdCertificados_->setFocus();
    // The web API is asked only now: whatever it does, the window is already there.
    arranque_->ComprobarVersion();
}

void TfrmMenu::CargarCertificados() {
    if (cdsCertificados_->IsEmpty()) {
        grdCertificados_->MostrarAviso(QStringLiteral("Cargando certificados…"));
    }
    carga_->Cargar();
}

bool TfrmMenu::Cargando() const {
    return carga_ && carga_->Cargando();
}

void TfrmMenu::CertificadosCargados(const Hecho& resultado) {
    grdCertificados_->MostrarAviso(QString());
    if (resultado) return;
    QMessageBox caja(QMessageBox::Critical, kTituloAplicacion,
                     QString::fromStdString(resultado.motivo()), QMessageBox::NoButton,
                     isVisible() ? this : nullptr);
    caja.addButton(QStringLiteral("Aceptar"), QMessageBox::AcceptRole);
    caja.setObjectName(QStringLiteral("ErrorAlmacen"));
    caja.exec();
}

void TfrmMenu::AplicarFiltro() {
    const PanelIzquierdo& p = *pnlTop_;
    const EstadoFiltro e = ConstruirFiltro(
        p.edtBuscarNombre->text(), p.chkProximos->isChecked(), p.chkOcultarCaducados->isChecked(),
        p.chkVerCertificadosCliente->isChecked(), QDate::currentDate());
    cdsCertificados_->SetFiltered(e.filtrado);
    // The search box's text is always a valid literal: a failure here is a fault of the program.
    if (auto h = cdsCertificados_->SetFilter(e.expresion); !h) {
        Avisar(QString::fromStdString(h.motivo()));
    }
}

void TfrmMenu::chkProximosClick() {
    const PanelIzquierdo& p = *pnlTop_;
    if (p.chkProximos->isChecked()) p.chkOcultarCaducados->setChecked(true);
    p.chkOcultarCaducados->setEnabled(!p.chkProximos->isChecked());
    AplicarFiltro();
}

void TfrmMenu::btnBorrarBusquedaClick() {
    pnlTop_->edtBuscarNombre->setText(QString());
    AplicarFiltro();
    grdCertificados_->setFocus();
}

void TfrmMenu::cmbOrdenChange() {
    const int orden = pnlTop_->cmbOrden->currentIndex();
    const int columna = (orden >= 1 && orden <= 3) ? orden : 0;
    (void)cdsCertificados_->SetIndexName(QString::fromLatin1(kIndices[columna]));
    grdCertificados_->FijarColumnaResaltada(columna);
    AplicarFiltro();
}

void TfrmMenu::miOrdenNumeroClick(int tag) {
    pnlTop_->cmbOrden->setCurrentIndex(tag);
    cmbOrdenChange();
}

void TfrmMenu::grdCertificadosKeyPress(const QString& texto) {
    QLineEdit* e = pnlTop_->edtBuscarNombre;
    e->setText(texto);
    e->setFocus();
    e->deselect();
    e->setCursorPosition(static_cast<int>(texto.size()));
}

void TfrmMenu::cdsCertificadosAfterScroll() {
    grdCertificados_->SincronizarFilaActual();
    const bool hay = !cdsCertificados_->IsEmpty();
    const RegistroCertificado r = cdsCertificados_->Actual();
    BotonUsarCertificado* boton = pnlTop_->btnUsarCertificado;
    boton->setEnabled(hay && !Caducado(r, QDateTime::currentDateTime()) &&
                      !r.emitido_para.trimmed().isEmpty());
    const QString alias = r.alias.trimmed();
    boton->SetCaption(QStringLiteral("Usar certificado ") +
                      (hay ? QString::number(r.calculated_indice) : QString()) + u'\r' +
                      (alias.isEmpty() ? r.emitido_para.trimmed() : alias));
    pnlTop_->btnEditarAlias->setEnabled(hay && !r.key_for_alias.isEmpty());
}

void TfrmMenu::btnUsarCertificadoClick() {
    if (!pnlTop_->btnUsarCertificado->isEnabled()) return;
    const RegistroCertificado r = cdsCertificados_->Actual();
    UsarCertificado(this, servicios_, r);
}

void TfrmMenu::btnEditarAliasClick() {
    if (!pnlTop_->btnEditarAlias->isEnabled()) return;
    const RegistroCertificado r = cdsCertificados_->Actual();
    const QString alias = PedirAlias(this, r);
    if (auto h =
            servicios_.registro.EscribirAlias(r.key_for_alias.toStdString(), alias.toStdString());
        !h) {
        // The row keeps the alias that is really stored.
        Avisar(MensajeAjustes(QStringLiteral("No se ha podido guardar el alias"),
                              servicios_.registro, h.motivo()));
    } else {
        cdsCertificados_->Edit();
        cdsCertificados_->Buffer().alias = alias;
        cdsCertificados_->Post();
    }
    cdsCertificadosAfterScroll();
    grdCertificados_->setFocus();
}

void TfrmMenu::btnConfigClick() {
    AbrirOpciones(this, servicios_, *grdCertificados_,
                  [this](QWidget* dueno) { AbrirActualizador(dueno); });
    // The widths in force are stored first, so that dragged widths survive the re-application.
    GuardarAnchoColumnasGrid();
    QStringList problemas;
    grdCertificados_->AjustarGrid(AjustesRejilla::Leer(servicios_.registro, problemas));
    CargarCertificados();
}

void TfrmMenu::btnAyudaClick() {
    AbrirAyuda(this, servicios_);
}

void TfrmMenu::btnAcercadeClick() {
    AbrirAcercade(this, opciones_.contacto, version_, fechaVersion_);
}

int TfrmMenu::VersionPropia() const {
    return VersionComparable(appVersion, appSubversion, appBuild);
}

void TfrmMenu::VersionComprobada(const EstadoVersion& estado) {
    QLabel* etiqueta = pnlTop_->lblUpdate;
    if (estado.estado == EstadoVersion::SinComprobar) {
        // Never "up to date" when nobody could say so.
        etiqueta->setStyleSheet(QStringLiteral("color: gray"));
        etiqueta->setText(QStringLiteral("No se ha podido comprobar si hay versiones nuevas"));
        EncajarTexto(etiqueta, 11, 8);
        etiqueta->setToolTip(QStringLiteral("No se ha podido consultar el servidor de "
                                            "actualizaciones: ") +
                             estado.motivo);
        return;
    }
    if (estado.estado == EstadoVersion::Actualizado) return;
    etiqueta->setStyleSheet(QStringLiteral("color: red"));
    etiqueta->setText(QStringLiteral("Disponible la versión ") + VersionPuntos(estado.numero));
    etiqueta->setToolTip(QString());
    lblUpdateTag = 1;
    versionDisponible_ = estado.numero;
    etiqueta->setCursor(Qt::PointingHandCursor);
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

void TfrmMenu::Recargar() {
    CargarCertificados();
    cmbOrdenChange();
    grdCertificados_->setFocus();
}

void TfrmMenu::CambiarTamanoFuente(int n) {
    grdCertificados_->FijarFuenteGrid(n);
    grdCertificados_->CambiarAnchoColumnasGrid();
}

void TfrmMenu::GuardarAnchoColumnasGrid() {
    if (auto h = servicios_.registro.EscribirValor(
            "GridAnchoColumnas",
            TextoAnchos(grdCertificados_->Anchos(), grdCertificados_->Ocultas()));
        !h) {
        Avisar(MensajeAjustes(QStringLiteral("No se han podido guardar los anchos de columna"),
                              servicios_.registro, h.motivo()));
    }
}

void TfrmMenu::Avisar(const QString& mensaje) {
    servicios_.comunes.wmessagedlg(mensaje, mtError, Botones({mbOK}), 0);
}

bool TfrmMenu::FormCloseQuery() {
    // A setting that cannot be read asks, as its default does; it never keeps the window open.
    if (servicios_.registro.LeerValor("PanelConfirmarSalida").valor_o("1") != "1") return true;
    return servicios_.comunes.wmessagedlg(QStringLiteral("¿Desea salir de Marlevanta?"),
                                          mtConfirmation, Botones({mbYes, mbNo}), 0) == 6;
}

void TfrmMenu::FormClose() {
    cdsCertificados_->Close();
    QStringList fallos;
    for (auto r : {servicios_.registro.EliminarCertificadoChrome(),
                   servicios_.registro.EliminarCertificadoEdge()}) {
        if (!r) fallos << QString::fromStdString(r.motivo());
    }
    AjustesVentana a;
    a.maximizada = isMaximized();
    a.geometria = Geometria{x(), y(), width(), height()};
    const PanelIzquierdo& p = *pnlTop_;
    a.ocultarCaducados = p.chkOcultarCaducados->isChecked();
    a.soloCliente = p.chkVerCertificadosCliente->isChecked();
    a.proximos = p.chkProximos->isChecked();
    a.columnaOrden = p.cmbOrden->currentIndex();
    a.rejilla.tamanoFuente = grdCertificados_->TamanoFuente();
    a.rejilla.anchos = grdCertificados_->Anchos();
    if (auto h = a.Escribir(servicios_.registro, grdCertificados_->Ocultas()); !h) {
        fallos << MensajeAjustes(
            QStringLiteral("No se han podido guardar los ajustes de la ventana"),
            servicios_.registro, h.motivo());
    }
    if (!fallos.isEmpty()) Avisar(fallos.join(u'\n'));
}

void TfrmMenu::closeEvent(QCloseEvent* e) {
    if (cerrando_) {
        e->accept();
        return;
    }
    if (!FormCloseQuery()) {
        e->ignore();
        return;
    }
    cerrando_ = true;
    FormClose();
    e->accept();
}

bool TfrmMenu::FormKeyDown(QKeyEvent* e) {
    const int k = e->key();
    const bool ctrl = e->modifiers().testFlag(Qt::ControlModifier);
    const bool teclado = e->modifiers().testFlag(Qt::KeypadModifier);
    const PanelIzquierdo& p = *pnlTop_;
    switch (k) {
        case Qt::Key_Escape:
            p.btnSalir->click();
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (!p.btnUsarCertificado->isEnabled()) return false;
            p.btnUsarCertificado->click();
            return true;
        case Qt::Key_F1:
            p.btnAyuda->click();
            return true;
        case Qt::Key_F2:
            p.btnEditarAlias->click();
            return true;
        case Qt::Key_F3:
            p.edtBuscarNombre->setFocus();
            return true;
        case Qt::Key_F5:
            Recargar();
            return true;
        case Qt::Key_F8:
            p.btnBorrarBusqueda->click();
            grdCertificados_->setFocus();
            return true;
        case Qt::Key_F9:
            p.btnAcercade->click();
            return true;
        case Qt::Key_F12:
            p.btnConfig->click();
            return true;
        default:
            break;
    }
    if (!ctrl || !teclado) return false;
    const int n = grdCertificados_->TamanoFuente();
    if (k == Qt::Key_Plus) {
        if (n < 48) CambiarTamanoFuente(n + 1);
        return true;
    }
    if (k == Qt::Key_Minus) {
        if (n > 6) CambiarTamanoFuente(n - 1);
        return true;
    }
    if (k == Qt::Key_0) {
        CambiarTamanoFuente(10);
        return true;
    }
    return false;
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
        grdCertificadosKeyPress(texto);
        return true;
    }
    return false;
}

QLineEdit* TfrmMenu::edtBuscarNombre() const {
    return pnlTop_->edtBuscarNombre;
}
QPushButton* TfrmMenu::btnBorrarBusqueda() const {
    return pnlTop_->btnBorrarBusqueda;
}
QCheckBox* TfrmMenu::chkVerCertificadosCliente() const {
    return pnlTop_->chkVerCertificadosCliente;
}
QCheckBox* TfrmMenu::chkOcultarCaducados() const {
    return pnlTop_->chkOcultarCaducados;
}
QCheckBox* TfrmMenu::chkProximos() const {
    return pnlTop_->chkProximos;
}
QComboBox* TfrmMenu::cmbOrden() const {
    return pnlTop_->cmbOrden;
}
BotonUsarCertificado* TfrmMenu::btnUsarCertificado() const {
    return pnlTop_->btnUsarCertificado;
}
QPushButton* TfrmMenu::btnEditarAlias() const {
    return pnlTop_->btnEditarAlias;
}
QLabel* TfrmMenu::lblUpdate() const {
    return pnlTop_->lblUpdate;
}
QToolButton* TfrmMenu::btnSalir() const {
    return pnlTop_->btnSalir;
}
ModeloCertificados* TfrmMenu::Modelo() const {
    return grdCertificados_->Modelo();
}
int TfrmMenu::TamanoFuenteGrid() const {
    return grdCertificados_->TamanoFuente();
}
int TfrmMenu::TamanoFuenteTitulos() const {
    return grdCertificados_->TamanoFuenteTitulos();
}
int TfrmMenu::AnchoColumna(int posicion) const {
    return grdCertificados_->Anchos()[static_cast<size_t>(posicion)];
}

}  // namespace marlevanta
