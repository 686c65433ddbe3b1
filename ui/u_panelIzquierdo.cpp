#include "ui/u_panelIzquierdo.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

#include "core/u_actualizador.h"
#include "core/u_arranque.h"
#include "ui/u_botonUsarCertificado.h"
#include "ui/u_colores.h"
#include "ui/u_fuentes.h"
#include "ui/u_imagenes.h"

namespace marlevanta {

namespace {

const char* kOrdenes[] = {"Ordenado por Nº", "Ordenado por Emitido para", "Ordenado por Alias",
                          "Ordenado por Válido hasta"};

QToolButton* BotonImagen(QWidget* padre, IconoPanel icono, const char* ayuda, const char* nombre) {
    auto* b = new QToolButton(padre);
    b->setObjectName(QString::fromLatin1(nombre));
    b->setAutoRaise(true);
    b->setIcon(QIcon(PintarIconoPanel(icono, 32)));
    b->setIconSize(QSize(32, 32));
    b->setToolTip(QString::fromUtf8(ayuda));
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

// The wheel turns the order box only once the user has put the focus in it: a wheel meant for
// the grid or the panel must not reorder the list on its way.
class RuedaConFoco : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* objeto, QEvent* e) override {
        if (e->type() != QEvent::Wheel) return false;
        auto* w = qobject_cast<QWidget*>(objeto);
        if (!w || w->hasFocus()) return false;
        e->ignore();
        return true;
    }
};

const QColor kVerde(0, 128, 0);
const QColor kGris(128, 128, 128);
const QColor kRojoEtiqueta(255, 0, 0);

}  // namespace

PanelIzquierdo::PanelIzquierdo(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("pnlTop"));
    setFixedWidth(237);
    FondoDeLista(this);

    auto* logo = new QLabel(this);
    logo->setGeometry(70, 8, 96, 96);
    logo->setPixmap(LogoPrograma());
    auto* label1 = new QLabel(QStringLiteral("Marlevanta"), this);
    label1->setGeometry(4, 105, 229, 23);
    label1->setAlignment(Qt::AlignCenter);
    label1->setFont(Tahoma(17, true));
    auto* label2 = new QLabel(QStringLiteral("Buscador de Certificados SSL"), this);
    label2->setGeometry(4, 124, 229, 23);
    label2->setAlignment(Qt::AlignCenter);
    label2->setFont(Tahoma(15));
    auto* bevel = new QFrame(this);
    bevel->setFrameShape(QFrame::HLine);
    bevel->setFrameShadow(QFrame::Sunken);
    bevel->setGeometry(4, 147, 228, 2);

    auto* lblBuscar = new QLabel(QStringLiteral("Buscar (F3):"), this);
    lblBuscar->setGeometry(8, 169, 219, 15);
    edtBuscarNombre = new QLineEdit(this);
    edtBuscarNombre->setObjectName(QStringLiteral("edtBuscarNombre"));
    edtBuscarNombre->setGeometry(8, 185, 219, 24);
    edtBuscarNombre->setMaxLength(40);
    lblBuscar->setBuddy(edtBuscarNombre);
    btnBorrarBusqueda = new QPushButton(QStringLiteral("Borrar búsqueda (F8)"), this);
    btnBorrarBusqueda->setObjectName(QStringLiteral("btnBorrarBusqueda"));
    btnBorrarBusqueda->setGeometry(8, 213, 219, 27);

    const char* textos[] = {"Sólo certificados cliente", "Ocultar certificados caducados",
                            "Sólo próximos a caducar"};
    QCheckBox** casillas[] = {&chkVerCertificadosCliente, &chkOcultarCaducados, &chkProximos};
    const char* nombres[] = {"chkVerCertificadosCliente", "chkOcultarCaducados", "chkProximos"};
    for (int i = 0; i < 3; ++i) {
        cuadros_[i] = new QFrame(this);
        cuadros_[i]->setGeometry(8, 247 + 17 * i, 14, 14);
        cuadros_[i]->setAutoFillBackground(true);
        *casillas[i] = new QCheckBox(QString::fromUtf8(textos[i]), this);
        (*casillas[i])->setObjectName(QString::fromLatin1(nombres[i]));
        (*casillas[i])->setGeometry(26, 246 + 17 * i, 201, 17);
    }
    // As at design time: the first two on; the window's creation restores the stored state.
    chkVerCertificadosCliente->setChecked(true);
    chkOcultarCaducados->setChecked(true);

    cmbOrden = new QComboBox(this);
    cmbOrden->setObjectName(QStringLiteral("cmbOrden"));
    cmbOrden->setGeometry(8, 310, 219, 24);
    cmbOrden->setFocusPolicy(Qt::StrongFocus);
    cmbOrden->installEventFilter(new RuedaConFoco(cmbOrden));
    for (const char* o : kOrdenes) cmbOrden->addItem(QString::fromUtf8(o));

    btnUsarCertificado = new BotonUsarCertificado(this);
    btnUsarCertificado->setObjectName(QStringLiteral("btnUsarCertificado"));
    btnUsarCertificado->setGeometry(7, 340, 221, 137);
    btnEditarAlias = new QPushButton(QStringLiteral("Editar Alias (F2)"), this);
    btnEditarAlias->setObjectName(QStringLiteral("btnEditarAlias"));
    btnEditarAlias->setGeometry(8, 482, 219, 25);
    lblAbiertos = new QLabel(this);
    lblAbiertos->setObjectName(QStringLiteral("lblAbiertos"));
    lblAbiertos->setGeometry(8, 510, 219, 30);
    lblAbiertos->setWordWrap(true);
    lblAbiertos->setFont(Tahoma(10));
    lblAbiertos->hide();

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    for (int y : {0, 17, 34}) {
        auto* linea = new QFrame(Panel1);
        linea->setFrameShape(QFrame::HLine);
        linea->setFrameShadow(QFrame::Sunken);
        linea->setGeometry(4, y, 227, 2);
    }
    lblUpdate = new QLabel(QStringLiteral("Marlevanta está actualizado"), Panel1);
    lblUpdate->setObjectName(QStringLiteral("lblUpdate"));
    lblUpdate->setGeometry(7, 19, 219, 14);
    lblUpdate->setAlignment(Qt::AlignCenter);
    lblUpdate->setFont(Tahoma(11));
    colorUpdate_ = kVerde;
    btnAyuda = BotonImagen(Panel1, IconoPanel::Ayuda, "Ayuda y trucos (F1)", "btnAyuda");
    btnConfig = BotonImagen(Panel1, IconoPanel::Opciones, "Opciones (F12)", "btnConfig");
    btnAcercade = BotonImagen(Panel1, IconoPanel::Acercade, "Acerca de (F9)", "btnAcercade");
    btnSalir = BotonImagen(Panel1, IconoPanel::Salir, "Salir (Esc)", "btnSalir");
    btnAyuda->setGeometry(6, 41, 48, 48);
    btnConfig->setGeometry(71, 41, 48, 48);
    btnAcercade->setGeometry(126, 41, 48, 48);
    btnSalir->setGeometry(180, 41, 48, 48);
    AplicarColores();
}

void PanelIzquierdo::AplicarColores() {
    FondoDeLista(this);
    // The legend shows the rows' colours as the grid draws them: "black" is the grid's text.
    const QPalette app = QApplication::palette(this);
    const QColor fondo = app.color(QPalette::Base);
    const QColor colores[] = {app.color(QPalette::Text), Legible(QColor(255, 0, 0), fondo),
                              Legible(QColor(0, 0, 255), fondo)};
    for (int i = 0; i < 3; ++i) {
        QPalette p = cuadros_[i]->palette();
        p.setColor(QPalette::Window, colores[i]);
        cuadros_[i]->setPalette(p);
    }
    ColorDeTexto(lblUpdate, colorUpdate_);
}

void PanelIzquierdo::changeEvent(QEvent* e) {
    QWidget::changeEvent(e);
    // A new desktop palette: the strip, the legend and the label follow it.
    if (e->type() == QEvent::ApplicationPaletteChange) AplicarColores();
}

void PanelIzquierdo::FijarInterruptores(bool ocultarCaducados, bool soloCliente, bool proximos) {
    chkOcultarCaducados->setChecked(ocultarCaducados);
    chkVerCertificadosCliente->setChecked(soloCliente);
    chkProximos->setChecked(proximos);
    if (chkProximos->isChecked()) chkOcultarCaducados->setChecked(true);
    chkOcultarCaducados->setEnabled(!chkProximos->isChecked());
}

void PanelIzquierdo::MostrarVersion(const EstadoVersion& estado) {
    if (estado.estado == EstadoVersion::SinComprobar) {
        // Never "up to date" when nobody could say so.
        colorUpdate_ = kGris;
        ColorDeTexto(lblUpdate, colorUpdate_);
        lblUpdate->setText(QStringLiteral("No se ha podido comprobar si hay versiones nuevas"));
        EncajarTexto(lblUpdate, 11, 8);
        lblUpdate->setToolTip(
            QStringLiteral("No se ha podido consultar el servidor de actualizaciones: ") +
            estado.motivo);
        return;
    }
    if (estado.estado == EstadoVersion::Actualizado) return;
    colorUpdate_ = kRojoEtiqueta;
    ColorDeTexto(lblUpdate, colorUpdate_);
    lblUpdate->setText(QStringLiteral("Disponible la versión ") + VersionPuntos(estado.numero));
    lblUpdate->setToolTip(QString());
    lblUpdate->setCursor(Qt::PointingHandCursor);
}

void PanelIzquierdo::resizeEvent(QResizeEvent*) {
    Panel1->setGeometry(1, height() - 97, 235, 97);
}

}  // namespace marlevanta
