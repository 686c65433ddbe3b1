#include "app/u_frmMenu.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLibrary>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/cargar_certificados.h"
#include "app/modelo_certificados.h"
#include "app/u_frmEditarAlias.h"
#include "browser/u_frmElegirNavegador.h"
#include "common/fuentes.h"
#include "online/u_actualizador.h"
#include "online/u_frmActualizadorInternet.h"
#include "online/u_manejadorApi.h"
#include "online/u_manejadorDatosVersion.h"
#include "windows/ayuda_direcciones.h"
#include "windows/u_frmAcercade.h"
#include "windows/u_frmAyuda.h"
#include "windows/u_frmConfiguracion.h"

namespace marlevanta {

TfrmMenu* frmMenu = nullptr;
TmanejadorFuncionesComunes* ManejadorFuncionesComunes = nullptr;
TManejadorRegistro* ManejadorRegistro = nullptr;
TManejadorApi* ManejadorApi = nullptr;

namespace {

const char* kOrdenes[] = {"Ordenado por Nº", "Ordenado por Emitido para", "Ordenado por Alias",
                          "Ordenado por Válido hasta"};
const char* kIndices[] = {kIndiceInIndice, kIndiceInEmitidoPara, kIndiceInAlias,
                          kIndiceInFechaCaducidad};
const char* kAjustesVisibilidad[] = {"GridVerEmail", "GridVerEmitidoPor", "GridVerValidoDesde",
                                     "GridVerPropositos"};

// Whole number as the settings hold it, or nullopt.
std::optional<int> Entero(const std::string& texto) {
    try {
        return TextoAEntero(texto);
    } catch (const std::invalid_argument&) {
        return std::nullopt;
    }
}

}  // namespace

QPixmap LogoPrograma() {
    QPixmap p(96, 96);
    p.fill(Qt::transparent);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    g.setBrush(QColor(0x1f, 0x5f, 0xa8));
    g.setPen(Qt::NoPen);
    QPainterPath escudo;
    escudo.moveTo(48, 6);
    escudo.lineTo(86, 20);
    escudo.cubicTo(86, 58, 70, 80, 48, 92);
    escudo.cubicTo(26, 80, 10, 58, 10, 20);
    escudo.closeSubpath();
    g.drawPath(escudo);
    g.setBrush(Qt::white);
    g.drawEllipse(QPointF(48, 40), 13, 13);
    g.drawRect(QRectF(44, 50, 8, 26));
    g.drawRect(QRectF(52, 64, 9, 5));
    g.drawRect(QRectF(52, 72, 6, 4));
    g.setBrush(QColor(0x1f, 0x5f, 0xa8));
    g.drawEllipse(QPointF(48, 37), 5, 5);
    return p;
}

namespace {

QPixmap ImagenCertificado(bool gris) {
    QPixmap p(56, 56);
    p.fill(Qt::transparent);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    const QColor tinta = gris ? QColor(150, 150, 150) : QColor(0x1f, 0x5f, 0xa8);
    g.setPen(QPen(tinta, 2));
    g.setBrush(gris ? QColor(235, 235, 235) : QColor(0xf4, 0xf8, 0xff));
    g.drawRoundedRect(QRectF(4, 8, 48, 34), 3, 3);
    g.drawLine(QPointF(11, 18), QPointF(36, 18));
    g.drawLine(QPointF(11, 25), QPointF(30, 25));
    g.drawLine(QPointF(11, 32), QPointF(26, 32));
    g.setBrush(gris ? QColor(170, 170, 170) : QColor(0xd3, 0x2f, 0x2f));
    g.setPen(Qt::NoPen);
    g.drawEllipse(QPointF(42, 36), 8, 8);
    g.drawPolygon(QPolygonF(
        {QPointF(37, 42), QPointF(35, 53), QPointF(40, 49), QPointF(42, 53), QPointF(43, 43)}));
    return p;
}

QToolButton* BotonImagen(QWidget* padre, QStyle::StandardPixmap icono, const char* ayuda,
                         const char* nombre) {
    auto* b = new QToolButton(padre);
    b->setObjectName(QString::fromLatin1(nombre));
    b->setAutoRaise(true);
    b->setIcon(padre->style()->standardIcon(icono));
    b->setIconSize(QSize(32, 32));
    b->setToolTip(QString::fromUtf8(ayuda));
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

// The left panel keeps its bottom strip at the bottom whatever the window's height.
class PanelIzquierdo : public QWidget {
public:
    using QWidget::QWidget;
    QWidget* abajo = nullptr;

protected:
    void resizeEvent(QResizeEvent*) override {
        if (abajo) abajo->setGeometry(1, height() - 97, 235, 97);
    }
};

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

void MostrarErrorGeneral(const QString& mensaje) {
    QMessageBox caja(QMessageBox::Critical, kTituloAplicacion, mensaje, QMessageBox::Ok,
                     TmanejadorFuncionesComunes::VentanaPrincipal());
    caja.setObjectName(QStringLiteral("ErrorGeneral"));
    caja.exec();
}

BotonUsarCertificado::BotonUsarCertificado(QWidget* parent) : QPushButton(parent) {
    auto* capa = new QVBoxLayout(this);
    capa->setContentsMargins(6, 8, 6, 8);
    imagen_ = new QLabel(this);
    imagen_->setAlignment(Qt::AlignCenter);
    imagen_->setPixmap(ImagenCertificado(false));
    texto_ = new QLabel(this);
    texto_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    texto_->setWordWrap(true);
    texto_->setFont(Tahoma(15));
    texto_->setTextFormat(Qt::PlainText);
    for (QLabel* l : {imagen_, texto_}) l->setAttribute(Qt::WA_TransparentForMouseEvents);
    capa->addWidget(imagen_);
    capa->addWidget(texto_, 1);
    SetCaption(QStringLiteral("Usar certificado 999"));
}

void BotonUsarCertificado::SetCaption(const QString& caption) {
    caption_ = caption;
    QString visible = caption;
    texto_->setText(visible.replace(u'\r', u'\n'));
    setAccessibleName(visible);
}

void BotonUsarCertificado::changeEvent(QEvent* e) {
    if (e->type() == QEvent::EnabledChange) imagen_->setPixmap(ImagenCertificado(!isEnabled()));
    QPushButton::changeEvent(e);
}

TfrmMenu::TfrmMenu(Opciones opciones) : opciones_(std::move(opciones)) {
    setWindowTitle(kTituloAplicacion);
    setFont(Tahoma(11));
    setMinimumSize(950, 670);
    resize(934, 632);
    CrearControles();
    // Every key of this window passes here before the focused control sees it.
    qApp->installEventFilter(this);
    FormCreate(opciones_.argumentos);
}

TfrmMenu::~TfrmMenu() {
    qApp->removeEventFilter(this);
    // The grid reads the table until it is gone, and the table is a member: the grid goes first.
    delete grdCertificados_;
    delete modelo_;
    if (frmMenu == this) frmMenu = nullptr;
    if (ManejadorFuncionesComunes == funcionesComunes_.get()) ManejadorFuncionesComunes = nullptr;
    if (ManejadorRegistro == registro_.get()) ManejadorRegistro = nullptr;
}

void TfrmMenu::CrearControles() {
    auto* capa = new QHBoxLayout(this);
    capa->setContentsMargins(0, 0, 0, 0);
    capa->setSpacing(0);

    auto* panel = new PanelIzquierdo(this);
    pnlTop_ = panel;
    pnlTop_->setObjectName(QStringLiteral("pnlTop"));
    pnlTop_->setFixedWidth(237);
    pnlTop_->setAutoFillBackground(true);
    QPalette blanco = pnlTop_->palette();
    blanco.setColor(QPalette::Window, Qt::white);
    pnlTop_->setPalette(blanco);
    capa->addWidget(pnlTop_);

    auto* logo = new QLabel(pnlTop_);
    logo->setGeometry(70, 8, 96, 96);
    logo->setPixmap(LogoPrograma());
    auto* label1 = new QLabel(QStringLiteral("Marlevanta"), pnlTop_);
    label1->setGeometry(4, 105, 229, 23);
    label1->setAlignment(Qt::AlignCenter);
    label1->setFont(Tahoma(17, true));
    auto* label2 = new QLabel(QStringLiteral("Buscador de Certificados SSL"), pnlTop_);
    label2->setGeometry(4, 124, 229, 23);
    label2->setAlignment(Qt::AlignCenter);
    label2->setFont(Tahoma(15));
    auto* bevel = new QFrame(pnlTop_);
    bevel->setFrameShape(QFrame::HLine);
    bevel->setFrameShadow(QFrame::Sunken);
    bevel->setGeometry(4, 147, 228, 2);

    auto* lblBuscar = new QLabel(QStringLiteral("Buscar (F3):"), pnlTop_);
    lblBuscar->setGeometry(8, 169, 219, 15);
    edtBuscarNombre_ = new QLineEdit(pnlTop_);
    edtBuscarNombre_->setObjectName(QStringLiteral("edtBuscarNombre"));
    edtBuscarNombre_->setGeometry(8, 185, 219, 24);
    edtBuscarNombre_->setMaxLength(40);
    lblBuscar->setBuddy(edtBuscarNombre_);
    btnBorrarBusqueda_ = new QPushButton(QStringLiteral("Borrar búsqueda (F8)"), pnlTop_);
    btnBorrarBusqueda_->setObjectName(QStringLiteral("btnBorrarBusqueda"));
    btnBorrarBusqueda_->setGeometry(8, 213, 219, 27);

    const QColor colores[] = {Qt::black, QColor(255, 0, 0), QColor(0, 0, 255)};
    const char* textos[] = {"Sólo certificados cliente", "Ocultar certificados caducados",
                            "Sólo próximos a caducar"};
    QCheckBox** casillas[] = {&chkVerCertificadosCliente_, &chkOcultarCaducados_, &chkProximos_};
    const char* nombres[] = {"chkVerCertificadosCliente", "chkOcultarCaducados", "chkProximos"};
    for (int i = 0; i < 3; ++i) {
        auto* cuadro = new QFrame(pnlTop_);
        cuadro->setGeometry(8, 247 + 17 * i, 14, 14);
        cuadro->setAutoFillBackground(true);
        QPalette p = cuadro->palette();
        p.setColor(QPalette::Window, colores[i]);
        cuadro->setPalette(p);
        *casillas[i] = new QCheckBox(QString::fromUtf8(textos[i]), pnlTop_);
        (*casillas[i])->setObjectName(QString::fromLatin1(nombres[i]));
        (*casillas[i])->setGeometry(26, 246 + 17 * i, 201, 17);
    }
    // As at design time: the first two on; the window's creation restores the stored state.
    chkVerCertificadosCliente_->setChecked(true);
    chkOcultarCaducados_->setChecked(true);

    cmbOrden_ = new QComboBox(pnlTop_);
    cmbOrden_->setObjectName(QStringLiteral("cmbOrden"));
    cmbOrden_->setGeometry(8, 310, 219, 24);
    for (const char* o : kOrdenes) cmbOrden_->addItem(QString::fromUtf8(o));

    btnUsarCertificado_ = new BotonUsarCertificado(pnlTop_);
    btnUsarCertificado_->setObjectName(QStringLiteral("btnUsarCertificado"));
    btnUsarCertificado_->setGeometry(7, 340, 221, 137);
    btnEditarAlias_ = new QPushButton(QStringLiteral("Editar Alias (F2)"), pnlTop_);
    btnEditarAlias_->setObjectName(QStringLiteral("btnEditarAlias"));
    btnEditarAlias_->setGeometry(8, 482, 219, 25);

    Panel1_ = new QFrame(pnlTop_);
    Panel1_->setObjectName(QStringLiteral("Panel1"));
    panel->abajo = Panel1_;
    for (int y : {0, 17, 34}) {
        auto* linea = new QFrame(Panel1_);
        linea->setFrameShape(QFrame::HLine);
        linea->setFrameShadow(QFrame::Sunken);
        linea->setGeometry(4, y, 227, 2);
    }
    lblUpdate_ = new QLabel(QStringLiteral("Marlevanta está actualizado"), Panel1_);
    lblUpdate_->setObjectName(QStringLiteral("lblUpdate"));
    lblUpdate_->setGeometry(7, 19, 219, 14);
    lblUpdate_->setAlignment(Qt::AlignCenter);
    lblUpdate_->setFont(Tahoma(11));
    lblUpdate_->setStyleSheet(QStringLiteral("color: green"));
    lblUpdate_->installEventFilter(this);
    btnAyuda_ =
        BotonImagen(Panel1_, QStyle::SP_DialogHelpButton, "Ayuda y trucos (F1)", "btnAyuda");
    btnConfig_ =
        BotonImagen(Panel1_, QStyle::SP_FileDialogDetailedView, "Opciones (F12)", "btnConfig");
    btnAcercade_ =
        BotonImagen(Panel1_, QStyle::SP_MessageBoxInformation, "Acerca de (F9)", "btnAcercade");
    btnSalir_ = BotonImagen(Panel1_, QStyle::SP_DialogCloseButton, "Salir (Esc)", "btnSalir");
    btnAyuda_->setGeometry(6, 41, 48, 48);
    btnConfig_->setGeometry(71, 41, 48, 48);
    btnAcercade_->setGeometry(126, 41, 48, 48);
    btnSalir_->setGeometry(180, 41, 48, 48);

    cdsCertificados_ = std::make_unique<TTablaCertificados>();
    grdCertificados_ = new QTableView(this);
    grdCertificados_->setObjectName(QStringLiteral("grdCertificados"));
    modelo_ = new ModeloCertificados(*cdsCertificados_, this);
    grdCertificados_->setModel(modelo_);
    grdCertificados_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdCertificados_->setSelectionMode(QAbstractItemView::SingleSelection);
    grdCertificados_->setSelectionBehavior(QAbstractItemView::SelectItems);
    grdCertificados_->setTabKeyNavigation(true);
    grdCertificados_->setWordWrap(false);
    grdCertificados_->setContextMenuPolicy(Qt::CustomContextMenu);
    grdCertificados_->horizontalHeader()->setSectionsMovable(false);
    grdCertificados_->horizontalHeader()->setHighlightSections(false);
    grdCertificados_->horizontalHeader()->setStretchLastSection(false);
    grdCertificados_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grdCertificados_->verticalHeader()->setFixedWidth(16);
    grdCertificados_->verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    capa->addWidget(grdCertificados_, 1);

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

    connect(edtBuscarNombre_, &QLineEdit::textChanged, this, &TfrmMenu::edtBuscarNombreChange);
    connect(chkVerCertificadosCliente_, &QCheckBox::toggled, this,
            &TfrmMenu::edtBuscarNombreChange);
    connect(chkOcultarCaducados_, &QCheckBox::toggled, this, &TfrmMenu::edtBuscarNombreChange);
    connect(chkProximos_, &QCheckBox::toggled, this, &TfrmMenu::chkProximosClick);
    connect(btnBorrarBusqueda_, &QPushButton::clicked, this, &TfrmMenu::btnBorrarBusquedaClick);
    connect(cmbOrden_, &QComboBox::activated, this, &TfrmMenu::cmbOrdenChange);
    connect(btnUsarCertificado_, &QPushButton::clicked, this, &TfrmMenu::btnUsarCertificadoClick);
    connect(grdCertificados_, &QAbstractItemView::doubleClicked, this,
            &TfrmMenu::btnUsarCertificadoClick);
    connect(btnEditarAlias_, &QPushButton::clicked, this, &TfrmMenu::btnEditarAliasClick);
    connect(btnSalir_, &QToolButton::clicked, this, &TfrmMenu::btnSalirClick);
    connect(btnConfig_, &QToolButton::clicked, this, [this] { btnConfigClick(false); });
    connect(apariencia, &QAction::triggered, this, [this] { btnConfigClick(true); });
    connect(btnAyuda_, &QToolButton::clicked, this, &TfrmMenu::btnAyudaClick);
    connect(btnAcercade_, &QToolButton::clicked, this, &TfrmMenu::btnAcercadeClick);
    connect(cdsCertificados_.get(), &TTablaCertificados::AfterScroll, this,
            &TfrmMenu::cdsCertificadosAfterScroll);
    connect(grdCertificados_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& actual) {
                if (sincronizando_ || !actual.isValid()) return;
                columnaActual_ = actual.column();
                if (actual.row() + 1 != cdsCertificados_->RecNo())
                    cdsCertificados_->SetRecNo(actual.row() + 1);
            });
    connect(grdCertificados_->horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int columna, int, int nuevo) {
                if (nuevo > 0 && columna >= 0 && columna < kColumnasGrid) anchos_[columna] = nuevo;
            });
    // The model is reset on every change of the view; the current row comes back with it.
    connect(modelo_, &QAbstractItemModel::modelReset, this, &TfrmMenu::SincronizarFilaActual);
}

void TfrmMenu::FormCreate(const QStringList& argumentos) {
    // Process-wide formats: Spanish conventions, dates dd/mm/yyyy.
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
    modo_demo = ArgumentosPidenDemo(argumentos);
    {
        TManejadorDatosVersion version;
        version.ObtenerVersionNumerica(appVersion, appSubversion, appBuild);
        setWindowTitle(kTituloAplicacion + QStringLiteral(" (Versión ") + version.ObtenerVersion() +
                       QStringLiteral(" - ") + version.ObtenerFechaVersion() + QStringLiteral(")"));
    }
    funcionesComunes_ = std::make_unique<TmanejadorFuncionesComunes>();
    TManejadorRegistro::FuentePantalla pantalla = opciones_.pantalla;
    if (!pantalla) {
        pantalla = [] {
            const QScreen* s = QGuiApplication::primaryScreen();
            return s ? TamanoPantalla{s->geometry().width(), s->geometry().height()}
                     : TamanoPantalla{};
        };
        opciones_.pantalla = pantalla;
    }
    registro_ = std::make_unique<TManejadorRegistro>(CrearRegistroUsuario(), pantalla);
    frmMenu = this;
    ManejadorFuncionesComunes = funcionesComunes_.get();
    ManejadorRegistro = registro_.get();
    // The remaining steps stop at the first error, which the general handler shows; the window
    // still opens.
    try {
        api_ = std::make_unique<TManejadorApi>(*registro_);
        ManejadorApi = api_.get();
        // The updater's files are looked up beside the program, wherever it was started from.
        SustituirFicherosActualizador(QCoreApplication::applicationDirPath(), *funcionesComunes_);
        registro_->IniciarValoresSiNoExisten();
        // A run that did not end normally may have left a policy behind.
        registro_->EliminarCertificadoChrome();
        registro_->EliminarCertificadoEdge();
        cdsCertificados_->OnCalcFields = [](RegistroCertificado& r) {
            r.calculated_indice = r.id + 1;
        };
        cdsCertificados_->Open();
        ComprobarActualizacionInicio();
        ColocarVentana();
        chkOcultarCaducados_->setChecked(
            registro_->LeerValor("PanelOcultarCertificadosCaducados") == "1");
        chkVerCertificadosCliente_->setChecked(
            registro_->LeerValor("PanelSoloCertificadosCliente") == "1");
        chkProximos_->setChecked(registro_->LeerValor("PanelProximosCaducar") == "1");
        if (chkProximos_->isChecked()) chkOcultarCaducados_->setChecked(true);
        chkOcultarCaducados_->setEnabled(!chkProximos_->isChecked());
        AjustarGrid();
    } catch (const std::exception& e) {
        MostrarErrorGeneral(QString::fromUtf8(e.what()));
    }
}

void TfrmMenu::ColocarVentana() {
    if (registro_->LeerValor("FormMaximized") == "1") {
        setWindowState(windowState() | Qt::WindowMaximized);
        return;
    }
    int arriba = TextoAEntero(registro_->LeerValor("FormTop"));
    int izquierda = TextoAEntero(registro_->LeerValor("FormLeft"));
    const int ancho = std::max(TextoAEntero(registro_->LeerValor("FormWidth")), minimumWidth());
    const int alto = std::max(TextoAEntero(registro_->LeerValor("FormHeight")), minimumHeight());
    const TamanoPantalla pantalla = opciones_.pantalla();
    if (arriba > pantalla.alto) arriba = pantalla.alto - alto - 20;
    if (izquierda > pantalla.ancho) izquierda = pantalla.ancho - ancho;
    resize(ancho, alto);
    move(izquierda, arriba);
}

void TfrmMenu::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (mostrado_) return;
    mostrado_ = true;
    TmanejadorFuncionesComunes::FijarVentanaPrincipal(this);
    try {
        FormShow();
    } catch (const std::exception& ex) {
        MostrarErrorGeneral(QString::fromUtf8(ex.what()));
    }
}

void TfrmMenu::FormShow() {
    CargarCertificados();
    const auto orden = Entero(registro_->LeerValor("GridColumnaOrden"));
    const int posicion = orden.value_or(0);
    cmbOrden_->setCurrentIndex(posicion >= 0 && posicion < 4 ? posicion : -1);
    cmbOrdenChange();
    grdCertificados_->setFocus();
}

void TfrmMenu::CargarCertificados() {
    if (modo_demo) {
        CargarCertificadosDemo(*cdsCertificados_, *registro_, QDateTime::currentDateTime());
        return;
    }
    auto almacen = opciones_.almacen ? opciones_.almacen() : CrearAlmacenCertificados();
    const ResultadoCarga r = CargarCertificadosAlmacen(*cdsCertificados_, *almacen, *registro_,
                                                       QDateTime::currentDateTime());
    if (!r.abierto) {
        QMessageBox caja(QMessageBox::Critical, kTituloAplicacion, r.error, QMessageBox::Ok,
                         isVisible() ? this : nullptr);
        caja.setObjectName(QStringLiteral("ErrorAlmacen"));
        caja.exec();
    }
}

void TfrmMenu::AplicarFiltro() {
    const EstadoFiltro e = ConstruirFiltro(
        edtBuscarNombre_->text(), chkProximos_->isChecked(), chkOcultarCaducados_->isChecked(),
        chkVerCertificadosCliente_->isChecked(), QDate::currentDate());
    cdsCertificados_->SetFiltered(e.filtrado);
    cdsCertificados_->SetFilter(e.expresion);
}

void TfrmMenu::edtBuscarNombreChange() {
    AplicarFiltro();
}

void TfrmMenu::chkProximosClick() {
    if (chkProximos_->isChecked()) chkOcultarCaducados_->setChecked(true);
    chkOcultarCaducados_->setEnabled(!chkProximos_->isChecked());
    AplicarFiltro();
}

void TfrmMenu::btnBorrarBusquedaClick() {
    edtBuscarNombre_->setText(QString());
    edtBuscarNombreChange();
    grdCertificados_->setFocus();
}

void TfrmMenu::cmbOrdenChange() {
    const int orden = cmbOrden_->currentIndex();
    const int columna = (orden >= 1 && orden <= 3) ? orden : 0;
    cdsCertificados_->SetIndexName(QString::fromLatin1(kIndices[columna]));
    modelo_->FijarColumnaResaltada(columna);
    AplicarFiltro();
}

void TfrmMenu::miOrdenNumeroClick(int tag) {
    cmbOrden_->setCurrentIndex(tag);
    cmbOrdenChange();
}

void TfrmMenu::grdCertificadosKeyPress(const QString& texto) {
    edtBuscarNombre_->setText(texto);
    edtBuscarNombre_->setFocus();
    edtBuscarNombre_->deselect();
    edtBuscarNombre_->setCursorPosition(static_cast<int>(texto.size()));
}

void TfrmMenu::SincronizarFilaActual() {
    const int fila = cdsCertificados_->RecNo() - 1;
    sincronizando_ = true;
    if (fila >= 0) {
        // A reset of the model forgets the current cell: the column comes back as it was.
        const int columna = columnaActual_;
        grdCertificados_->setCurrentIndex(modelo_->index(fila, columna));
        grdCertificados_->scrollTo(modelo_->index(fila, columna));
    }
    sincronizando_ = false;
    modelo_->FijarFilaActual(fila);
}

void TfrmMenu::cdsCertificadosAfterScroll() {
    SincronizarFilaActual();
    const bool hay = !cdsCertificados_->IsEmpty();
    const RegistroCertificado r = cdsCertificados_->Actual();
    btnUsarCertificado_->setEnabled(hay && !Caducado(r, QDateTime::currentDateTime()) &&
                                    !r.emitido_para.trimmed().isEmpty());
    const QString alias = r.alias.trimmed();
    btnUsarCertificado_->SetCaption(QStringLiteral("Usar certificado ") +
                                    (hay ? QString::number(r.calculated_indice) : QString()) +
                                    u'\r' + (alias.isEmpty() ? r.emitido_para.trimmed() : alias));
    btnEditarAlias_->setEnabled(hay && !r.key_for_alias.isEmpty());
}

void TfrmMenu::btnUsarCertificadoClick() {
    if (!btnUsarCertificado_->isEnabled()) return;
    const RegistroCertificado r = cdsCertificados_->Actual();
    TfrmElegirNavegador dialogo(this, *registro_);
    dialogo.lblCertificado()->setText(DescripcionCertificado(r));
    dialogo.certificado = r.emitido_para;
    dialogo.exec();
}

void TfrmMenu::btnEditarAliasClick() {
    if (!btnEditarAlias_->isEnabled()) return;
    const RegistroCertificado r = cdsCertificados_->Actual();
    QString alias;
    {
        TfrmEditarAlias dialogo(this);
        dialogo.lblCertificado()->setText(r.emitido_para);
        dialogo.edtAlias()->setText(r.alias);
        dialogo.exec();
        alias = dialogo.edtAlias()->text();
    }
    alias = Recortar(alias);
    registro_->EscribirAlias(r.key_for_alias.toStdString(), alias.toStdString());
    cdsCertificados_->Edit();
    cdsCertificados_->Buffer().alias = alias;
    cdsCertificados_->Post();
    cdsCertificadosAfterScroll();
    grdCertificados_->setFocus();
}

void TfrmMenu::btnConfigClick(bool /*apariencia: the window always opens on that page*/) {
    {
        TfrmConfiguracion opciones(this, *registro_, api_.get(), VersionPropia());
        opciones.exec();
    }
    // The widths in force are stored first, so that dragged widths survive the re-application.
    GuardarAnchoColumnasGrid();
    AjustarGrid();
    CargarCertificados();
}

void TfrmMenu::btnAyudaClick() {
    const DireccionesAyuda direcciones = ResolverDireccionesAyuda(*registro_, api_.get());
    QLibrary modulo(QCoreApplication::applicationDirPath() +
                    QStringLiteral("/libmarlevanta_ayuda.so"));
    auto mostrar = reinterpret_cast<FuncionMostrarAyuda>(modulo.resolve("MostrarAyuda"));
    if (!mostrar) {
        funcionesComunes_->wmessagedlg(
            QStringLiteral("No se puede mostrar la ayuda: ") + modulo.errorString(), mtError,
            Botones({mbOK}), 0);
        return;
    }
    mostrar(this, direcciones.uso, direcciones.trucos);
}

void TfrmMenu::btnAcercadeClick() {
    TfrmAcercade acercade(this);
    acercade.exec();
}

void TfrmMenu::btnSalirClick() {
    close();
}

int TfrmMenu::VersionPropia() const {
    return VersionComparable(appVersion, appSubversion, appBuild);
}

void TfrmMenu::ComprobarActualizacionInicio() {
    QString version, cambios;
    if (!api_->LeerVersion(version, cambios)) return;
    const int n = version.toInt();
    if (n <= VersionPropia()) return;
    lblUpdate_->setStyleSheet(QStringLiteral("color: red"));
    lblUpdate_->setText(QStringLiteral("Disponible la versión ") + VersionPuntos(n));
    lblUpdateTag = 1;
    lblUpdate_->setCursor(Qt::PointingHandCursor);
    if (registro_->LeerValor("PanelComprobarActualizaciones") != "1") return;
    if (funcionesComunes_->wmessagedlg(PreguntaActualizacion(n, cambios), mtConfirmation,
                                       Botones({mbYes, mbNo}), 0) == 6) {
        TfrmActualizadorInternet actualizador(nullptr, *api_, VersionPropia());
        actualizador.exec();
    }
}

void TfrmMenu::lblUpdateClick() {
    if (lblUpdateTag != 1) return;
    TfrmActualizadorInternet actualizador(this, *api_, VersionPropia());
    actualizador.exec();
}

void TfrmMenu::Recargar() {
    CargarCertificados();
    cmbOrdenChange();
    AplicarFiltro();
    grdCertificados_->setFocus();
}

int TfrmMenu::TamanoFuenteTitulos() const {
    return grdCertificados_->horizontalHeader()->font().pointSize();
}

void TfrmMenu::FijarFuenteGrid(int n) {
    tamanoFuente_ = n;
    const QFont celdas = TahomaPuntos(n);
    grdCertificados_->setFont(celdas);
    grdCertificados_->horizontalHeader()->setFont(TahomaPuntos(n + 3));
    grdCertificados_->verticalHeader()->setDefaultSectionSize(QFontMetrics(celdas).height() + 6);
}

void TfrmMenu::CambiarTamanoFuente(int n) {
    FijarFuenteGrid(n);
    CambiarAnchoColumnasGrid();
}

int TfrmMenu::AnchoColumnaDefecto(int index) {
    static const int anchos[] = {50, 400, 200, 120, 250, 300, 120, 350};
    return (index >= 0 && index < 8) ? anchos[index] : 250;
}

void TfrmMenu::AjustarGrid() {
    for (int i = 0; i < 4; ++i) {
        grdCertificados_->setColumnHidden(4 + i,
                                          registro_->LeerValor(kAjustesVisibilidad[i]) != "1");
    }
    int n = Entero(registro_->LeerValor("GridTamanoFuente")).value_or(10);
    if (n < 6 || n > 48) n = 10;
    FijarFuenteGrid(n);

    const QString texto = QString::fromStdString(registro_->LeerValor("GridAnchoColumnas"));
    const QStringList items = texto.isEmpty() ? QStringList() : texto.split(u',');
    for (int i = 0; i < kColumnasGrid; ++i) {
        int w = i < items.size() ? Entero(items[i].toStdString()).value_or(AnchoColumnaDefecto(i))
                                 : AnchoColumnaDefecto(i);
        if (w < 20 || w > 1000) w = AnchoColumnaDefecto(i);
        anchos_[i] = w;
        grdCertificados_->setColumnWidth(i, w);
    }
}

void TfrmMenu::CambiarAnchoColumnasGrid() {
    int n = tamanoFuente_;
    if (n < 6 || n > 48) n = 10;
    for (int i = 0; i < kColumnasGrid; ++i) {
        anchos_[i] = n * (AnchoColumnaDefecto(i) / 10);
        grdCertificados_->setColumnWidth(i, anchos_[i]);
    }
}

void TfrmMenu::GuardarAnchoColumnasGrid() {
    QStringList partes;
    for (int i = 0; i < kColumnasGrid; ++i) {
        partes << QString::number(grdCertificados_->isColumnHidden(i) ? -1 : anchos_[i]);
    }
    registro_->EscribirValor("GridAnchoColumnas", partes.join(u',').toStdString());
}

bool TfrmMenu::FormCloseQuery() {
    if (registro_->LeerValor("PanelConfirmarSalida") != "1") return true;
    return funcionesComunes_->wmessagedlg(QStringLiteral("¿Desea salir de Marlevanta?"),
                                          mtConfirmation, Botones({mbYes, mbNo}), 0) == 6;
}

void TfrmMenu::FormClose() {
    cdsCertificados_->Close();
    registro_->EliminarCertificadoChrome();
    registro_->EliminarCertificadoEdge();
    if (isMaximized()) {
        registro_->EscribirValor("FormMaximized", "1");
    } else {
        registro_->EscribirValor("FormMaximized", "0");
        registro_->EscribirValor("FormWidth", std::to_string(width()));
        registro_->EscribirValor("FormHeight", std::to_string(height()));
        registro_->EscribirValor("FormTop", std::to_string(y()));
        registro_->EscribirValor("FormLeft", std::to_string(x()));
    }
    const auto interruptor = [](const QCheckBox* c) {
        return std::string(c->isChecked() ? "1" : "0");
    };
    registro_->EscribirValor("PanelOcultarCertificadosCaducados",
                             interruptor(chkOcultarCaducados_));
    registro_->EscribirValor("PanelSoloCertificadosCliente",
                             interruptor(chkVerCertificadosCliente_));
    registro_->EscribirValor("PanelProximosCaducar", interruptor(chkProximos_));
    registro_->EscribirValor("GridColumnaOrden", std::to_string(cmbOrden_->currentIndex()));
    registro_->EscribirValor("GridTamanoFuente", std::to_string(tamanoFuente_));
    GuardarAnchoColumnasGrid();
}

void TfrmMenu::closeEvent(QCloseEvent* e) {
    if (cerrando_) {
        e->accept();
        return;
    }
    bool cerrar = false;
    try {
        cerrar = FormCloseQuery();
        if (cerrar) {
            cerrando_ = true;
            FormClose();
        }
    } catch (const std::exception& ex) {
        MostrarErrorGeneral(QString::fromUtf8(ex.what()));
    }
    if (cerrar) {
        e->accept();
    } else {
        e->ignore();
    }
}

bool TfrmMenu::FormKeyDown(QKeyEvent* e) {
    const int k = e->key();
    const bool ctrl = e->modifiers().testFlag(Qt::ControlModifier);
    const bool teclado = e->modifiers().testFlag(Qt::KeypadModifier);
    switch (k) {
        case Qt::Key_Escape:
            btnSalir_->click();
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (!btnUsarCertificado_->isEnabled()) return false;
            btnUsarCertificado_->click();
            return true;
        case Qt::Key_F1:
            btnAyuda_->click();
            return true;
        case Qt::Key_F2:
            btnEditarAlias_->click();
            return true;
        case Qt::Key_F3:
            edtBuscarNombre_->setFocus();
            return true;
        case Qt::Key_F5:
            Recargar();
            return true;
        case Qt::Key_F8:
            btnBorrarBusqueda_->click();
            grdCertificados_->setFocus();
            return true;
        case Qt::Key_F9:
            btnAcercade_->click();
            return true;
        case Qt::Key_F12:
            btnConfig_->click();
            return true;
        default:
            break;
    }
    if (!ctrl || !teclado) return false;
    if (k == Qt::Key_Plus) {
        if (tamanoFuente_ < 48) CambiarTamanoFuente(tamanoFuente_ + 1);
        return true;
    }
    if (k == Qt::Key_Minus) {
        if (tamanoFuente_ > 6) CambiarTamanoFuente(tamanoFuente_ - 1);
        return true;
    }
    if (k == Qt::Key_0) {
        CambiarTamanoFuente(10);
        return true;
    }
    return false;
}

bool TfrmMenu::eventFilter(QObject* objeto, QEvent* e) {
    if (objeto == lblUpdate_) {
        if (e->type() == QEvent::MouseButtonRelease) lblUpdateClick();
        if ((e->type() == QEvent::Enter || e->type() == QEvent::Leave) && lblUpdateTag != 0) {
            QFont f = lblUpdate_->font();
            f.setUnderline(e->type() == QEvent::Enter);
            lblUpdate_->setFont(f);
        }
        return false;
    }
    if (e->type() != QEvent::KeyPress) return false;
    auto* w = qobject_cast<QWidget*>(objeto);
    if (!w || (w != this && !isAncestorOf(w))) return false;
    auto* tecla = static_cast<QKeyEvent*>(e);
    try {
        if (FormKeyDown(tecla)) return true;
        const QString texto = tecla->text();
        if (w == edtBuscarNombre_ && (texto == QLatin1String("%") || texto == QLatin1String("*"))) {
            return true;
        }
        if ((w == grdCertificados_ || w == grdCertificados_->viewport()) && texto.size() == 1 &&
            texto.at(0).unicode() < 128 && texto.at(0).isLetterOrNumber()) {
            grdCertificadosKeyPress(texto);
            return true;
        }
    } catch (const std::exception& ex) {
        MostrarErrorGeneral(QString::fromUtf8(ex.what()));
        return true;
    }
    return false;
}

}  // namespace marlevanta
