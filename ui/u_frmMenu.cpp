#include "ui/u_frmMenu.h"

#include <QAbstractButton>
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
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <utility>

#include "core/u_actualizacion.h"
#include "core/u_actualizador.h"
#include "core/u_arranque.h"
#include "core/u_avisoCaducidad.h"
#include "core/u_cargaCertificados.h"
#include "core/u_edicionAlias.h"
#include "core/u_expresionFiltro.h"
#include "core/u_importacionFirefox.h"
#include "core/u_listaCaducidad.h"
#include "core/u_manejadorApi.h"
#include "core/u_manejadorDatosVersion.h"
#include "core/u_paginaInicio.h"
#include "core/u_sesionesPorCertificado.h"
#include "ui/u_botonUsarCertificado.h"
#include "ui/u_busquedaCertificados.h"
#include "ui/u_exportarRejilla.h"
#include "ui/u_fuentes.h"
#include "ui/u_manejadorFuncionesComunes.h"
#include "ui/u_modeloCertificados.h"
#include "ui/u_ordenesMenu.h"
#include "ui/u_panelIzquierdo.h"
#include "ui/u_rejillaCertificados.h"

namespace marlevanta {

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

    busqueda_ = new BusquedaCertificados(
        *pnlTop_, *grdCertificados_, *cdsCertificados_, [this](const QString& m) { Avisar(m); },
        this);
    RejillaCertificados& g = *grdCertificados_;
    connect(g.miEditarAlias, &QAction::triggered, this, &TfrmMenu::btnEditarAliasClick);
    connect(g.miVerDetalles, &QAction::triggered, this, &TfrmMenu::VerDetallesClick);
    connect(g.miImportar, &QAction::triggered, this, &TfrmMenu::ImportarClick);
    connect(g.miExportar, &QAction::triggered, this, &TfrmMenu::ExportarClick);
    connect(g.btnImportar, &QPushButton::clicked, this, &TfrmMenu::ImportarClick);
    connect(g.miImportarFirefox, &QAction::triggered, this, &TfrmMenu::ImportarFirefoxClick);
    connect(g.btnImportarFirefox, &QPushButton::clicked, this, &TfrmMenu::ImportarFirefoxClick);
    connect(g.miApariencia, &QAction::triggered, this, &TfrmMenu::btnConfigClick);
    const PanelIzquierdo& p = *pnlTop_;
    connect(p.btnUsarCertificado, &QPushButton::clicked, this, &TfrmMenu::btnUsarCertificadoClick);
    connect(grdCertificados_, &QAbstractItemView::doubleClicked, this,
            &TfrmMenu::btnUsarCertificadoClick);
    connect(p.btnEditarAlias, &QPushButton::clicked, this, &TfrmMenu::btnEditarAliasClick);
    connect(p.btnSalir, &QToolButton::clicked, this, &QWidget::close);
    connect(p.btnConfig, &QToolButton::clicked, this, &TfrmMenu::btnConfigClick);
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
    connect(carga_, &CargaCertificados::FilasRecibidas, this, [this] {
        if (!cdsCertificados_->IsEmpty()) grdCertificados_->MostrarAviso(QString());
    });
    firefox_ =
        new ImportacionFirefox(servicios_.plataforma.certificadosFirefox, servicios_.fondo, this);
    connect(firefox_, &ImportacionFirefox::Encontrados, this, [this] {
        grdCertificados_->OfrecerFirefox(AvisoFirefox(firefox_->Perfiles()));
        const QString aviso = AvisoFirefoxEscritorio(
            firefox_->Perfiles(), cdsCertificados_->TotalFilas() == 0, avisoFirefoxDado_);
        if (aviso.isEmpty() || !Avisos()) return;
        Avisos()->Mostrar(
            "Marlevanta", aviso.toStdString(), [](const Hecho&) {},
            [this] {
                if (isMinimized()) showNormal();
                raise();
                activateWindow();
                ImportarFirefoxClick();
            });
    });
    sesiones_ =
        new SesionesPorCertificado({&servicios_.registro, servicios_.plataforma.comandoNavegador,
                                    servicios_.plataforma.procesos},
                                   servicios_.fondo, this);
    connect(sesiones_, &SesionesPorCertificado::AbiertosCambiados, this,
            &TfrmMenu::MostrarAbiertos);

    const AjustesVentana ajustes = AjustesVentana::Leer(servicios_.registro.ajustes());
    ColocarVentana(ajustes);
    pnlTop_->FijarInterruptores(ajustes.ocultarCaducados, ajustes.soloCliente, ajustes.proximos);
    grdCertificados_->AjustarGrid(ajustes.rejilla);
    pnlTop_->cmbOrden->setCurrentIndex(ajustes.columnaOrden);
    ajustesEscribibles_ = avisos.ajustesEscribibles;
    // A file that cannot be read has been told as a whole: each value would only repeat it.
    if (avisos.ajustesLegibles) AvisarAjustesIlegibles(ajustes.problemas);
}

void TfrmMenu::AvisarAjustesIlegibles(const QStringList& problemas) {
    if (problemas.isEmpty()) return;
    MostrarErrorGeneral(nullptr, QStringLiteral("Algunos ajustes de \"") +
                                     QString::fromStdString(servicios_.registro.Ubicacion()) +
                                     QStringLiteral("\" no se pueden leer; se usan los valores "
                                                    "por defecto:\n") +
                                     problemas.join(u'\n'));
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
    busqueda_->cmbOrdenChange();
    grdCertificados_->setFocus();
    // A window that is never drawn (started minimized, on another desktop) still asks.
    QTimer::singleShot(1000, this, &TfrmMenu::PedirVersion);
}

void TfrmMenu::paintEvent(QPaintEvent* e) {
    QWidget::paintEvent(e);
    // The web API is asked once the first frame is drawn: whatever it does, the window is
    // there. Asked at the show, its worker (loading the web module) took the processor and the
    // library loader from the first paint.
    if (!versionPedida_) QTimer::singleShot(0, this, &TfrmMenu::PedirVersion);
}

void TfrmMenu::PedirVersion() {
    if (std::exchange(versionPedida_, true)) return;
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
    const std::string seleccionar = std::exchange(seleccionarTrasCarga_, {});
    if (!resultado) {
        MostrarErrorGeneral(this, QString::fromStdString(resultado.motivo()),
                            QStringLiteral("ErrorAlmacen"));
        return;
    }
    if (cdsCertificados_->TotalFilas() == 0) {
        grdCertificados_->MostrarAviso(kTextoSinCertificados, true);
        grdCertificados_->btnImportar->setFocus();
    }
    if (!seleccionar.empty()) SeleccionarCertificado(QString::fromStdString(seleccionar));
    BuscarEnFirefox();
    EmpezarAvisosCaducidad();
}

void TfrmMenu::BuscarEnFirefox() {
    // What was offered may be in the store now; nothing is offered until the search has ended.
    grdCertificados_->OfrecerFirefox(QString());
    if (!modo_demo) firefox_->Buscar();
}

void TfrmMenu::EmpezarAvisosCaducidad() {
    // Made-up certificates have nothing to tell the desktop.
    if (avisoCaducidad_ || modo_demo || !Avisos()) return;
    const auto fuente = [this](const QDateTime& ahora, int dias) {
        std::vector<RegistroCertificado> filas;
        filas.reserve(static_cast<size_t>(cdsCertificados_->TotalFilas()));
        for (int i = 0; i < cdsCertificados_->TotalFilas(); ++i) {
            filas.push_back(cdsCertificados_->FilaCargada(i));
        }
        return PorCaducarDeFilas(filas, ahora, dias, /*conCaducados=*/true);
    };
    avisoCaducidad_ =
        new AvisoCaducidad(servicios_.registro, *avisosEscritorio_, fuente, true, this);
    connect(avisoCaducidad_, &AvisoCaducidad::Pulsado, this, [this] {
        if (isMinimized()) showNormal();
        raise();
        activateWindow();
        pnlTop_->chkProximos->setChecked(true);
    });
    avisoCaducidad_->Empezar();
}

AvisosEscritorio* TfrmMenu::Avisos() {
    if (!avisosEscritorio_ && servicios_.plataforma.avisosEscritorio) {
        avisosEscritorio_ = servicios_.plataforma.avisosEscritorio();
    }
    return avisosEscritorio_.get();
}

void TfrmMenu::SeleccionarCertificado(const QString& huella) {
    const auto buscar = [this, &huella] {
        TTablaCertificados& t = *cdsCertificados_;
        for (int i = 0; i < t.RecordCount(); ++i) {
            if (t.Fila(i).key_for_alias.compare(huella, Qt::CaseInsensitive) == 0) {
                t.SetRecNo(i + 1);
                grdCertificados_->setFocus();
                return true;
            }
        }
        return false;
    };
    if (buscar()) return;
    // A search that leaves it out is cleared; the switches are the user's to change.
    if (!pnlTop_->edtBuscarNombre->text().isEmpty()) {
        pnlTop_->btnBorrarBusqueda->click();
        if (buscar()) return;
    }
    servicios_.comunes.wmessagedlg(
        QStringLiteral("El certificado se ha importado, pero no se ve en la lista con los "
                       "interruptores que tiene activados (por ejemplo, \"Ocultar certificados "
                       "caducados\")."),
        mtInformation, Botones({mbOK}), 0);
}

void TfrmMenu::ImportarClick() {
    if (modo_demo) {
        servicios_.comunes.wmessagedlg(
            QStringLiteral("En el modo de demostración no se importan certificados."),
            mtInformation, Botones({mbOK}), 0);
        return;
    }
    if (auto huella = ImportarCertificado(this, servicios_, elegirArchivo)) {
        seleccionarTrasCarga_ = *huella;
        CargarCertificados();
    }
}

void TfrmMenu::ImportarFirefoxClick() {
    if (modo_demo || firefox_->Buscando()) return;
    if (auto huella = ImportarDesdeFirefox(this, servicios_, *firefox_)) {
        seleccionarTrasCarga_ = *huella;
        CargarCertificados();
    }
}

void TfrmMenu::ExportarClick() {
    ExportarLista(this, *grdCertificados_, *cdsCertificados_, servicios_.registro, servicios_.fondo,
                  servicios_.comunes, elegirArchivoExportar);
}

void TfrmMenu::VerDetallesClick() {
    if (cdsCertificados_->IsEmpty()) return;
    const RegistroCertificado r = cdsCertificados_->Actual();
    if (r.key_for_alias.isEmpty()) return;
    if (modo_demo) {
        servicios_.comunes.wmessagedlg(
            QStringLiteral("Los certificados de demostración no tienen más detalles."),
            mtInformation, Botones({mbOK}), 0);
        return;
    }
    VerDetalles(this, servicios_, r);
    grdCertificados_->setFocus();
}

void TfrmMenu::cdsCertificadosAfterScroll() {
    grdCertificados_->SincronizarFilaActual();
    const bool hay = !cdsCertificados_->IsEmpty();
    const RegistroCertificado r = cdsCertificados_->Actual();
    BotonUsarCertificado* boton = pnlTop_->btnUsarCertificado;
    // A row NSS could not read has no names for the browser to match.
    boton->setEnabled(hay && !r.ilegible && !Caducado(r, QDateTime::currentDateTime()) &&
                      !r.emitido_para.trimmed().isEmpty());
    const QString alias = r.alias.trimmed();
    boton->SetCaption(QStringLiteral("Usar certificado ") +
                      (hay ? QString::number(r.calculated_indice) : QString()) + u'\r' +
                      (alias.isEmpty() ? r.emitido_para.trimmed() : alias));
    pnlTop_->btnEditarAlias->setEnabled(hay && !r.ilegible && !r.key_for_alias.isEmpty());
}

void TfrmMenu::btnUsarCertificadoClick() {
    if (!pnlTop_->btnUsarCertificado->isEnabled()) return;
    const RegistroCertificado r = cdsCertificados_->Actual();
    const bool aparte = servicios_.registro.ajustes().Interruptor(ajuste::PerfilPorCertificado);
    UsarCertificado(this, servicios_, *cdsCertificados_, r, aparte ? sesiones_ : nullptr);
}

void TfrmMenu::MostrarAbiertos() {
    QStringList nombres;
    const QStringList abiertos = sesiones_->Abiertos();
    for (int i = 0; i < cdsCertificados_->TotalFilas(); ++i) {
        const RegistroCertificado& r = cdsCertificados_->FilaCargada(i);
        if (!abiertos.contains(r.key_for_alias)) continue;
        const QString alias = r.alias.trimmed();
        nombres << (alias.isEmpty() ? r.emitido_para.trimmed() : alias);
    }
    QLabel* etiqueta = pnlTop_->lblAbiertos;
    etiqueta->setText(QStringLiteral("Navegador abierto con: ") +
                      nombres.join(QStringLiteral(", ")));
    etiqueta->setToolTip(nombres.join(u'\n'));
    etiqueta->setVisible(!nombres.isEmpty());
}

void TfrmMenu::btnEditarAliasClick() {
    if (!pnlTop_->btnEditarAlias->isEnabled()) return;
    const RegistroCertificado r = cdsCertificados_->Actual();
    EdicionAlias edicion(servicios_.registro, *cdsCertificados_);
    auto inicial = edicion.Empezar(r.key_for_alias, r.alias);
    if (!inicial) {
        Avisar(QString::fromStdString(inicial.motivo()));
        return;
    }
    const AliasYPagina editado = PedirAlias(this, r, inicial->pagina.value_or(QString()));
    if (auto h = edicion.Guardar(*inicial, editado.alias, editado.pagina); !h) {
        Avisar(QString::fromStdString(h.motivo()));
    }
    cdsCertificadosAfterScroll();
    grdCertificados_->setFocus();
}

void TfrmMenu::btnConfigClick() {
    AbrirOpciones(
        this, servicios_, *grdCertificados_, [this](QWidget* dueno) { AbrirActualizador(dueno); },
        *cdsCertificados_);
    // The widths in force are stored first, so that dragged widths survive the re-application.
    GuardarAnchoColumnasGrid();
    Ajustes& ajustes = servicios_.registro.ajustes();
    grdCertificados_->AjustarGrid(AjustesRejilla::Leer(ajustes));
    AvisarAjustesIlegibles(ajustes.ProblemasNuevos());
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

void TfrmMenu::Recargar() {
    CargarCertificados();
    busqueda_->cmbOrdenChange();
    grdCertificados_->setFocus();
}

void TfrmMenu::CambiarTamanoFuente(int n) {
    grdCertificados_->FijarFuenteGrid(n);
    grdCertificados_->CambiarAnchoColumnasGrid();
}

void TfrmMenu::GuardarAnchoColumnasGrid() {
    if (auto h = servicios_.registro.ajustes().Fijar(
            ajuste::AnchoColumnas,
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
    // A setting that cannot be read asks, as its default does; it never keeps the window open,
    // and the user hears of it once, not at every close.
    Ajustes& ajustes = servicios_.registro.ajustes();
    const bool confirmar = ajustes.Interruptor(ajuste::ConfirmarSalida);
    if (auto problema = ajustes.ProblemaNuevo(ajuste::ConfirmarSalida)) {
        Avisar(MensajeAjustes(QStringLiteral("No se ha podido leer PanelConfirmarSalida (se "
                                             "pregunta antes de salir, como por defecto)"),
                              servicios_.registro, *problema));
    }
    if (!confirmar) return true;
    return servicios_.comunes.wmessagedlg(QStringLiteral("¿Desea salir de Marlevanta?"),
                                          mtConfirmation, Botones({mbYes, mbNo}), 0) == 6;
}

void TfrmMenu::FormClose() {
    cdsCertificados_->Close();
    QStringList fallos;
    for (Navegador n : kNavegadores) {
        if (auto r = servicios_.registro.EliminarRestos(n); !r) {
            fallos << QString::fromStdString(r.motivo());
        }
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
    // Settings that could not be written at start-up have been told already.
    if (auto h = a.Escribir(servicios_.registro.ajustes(), grdCertificados_->Ocultas());
        !h && ajustesEscribibles_) {
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

}  // namespace marlevanta
