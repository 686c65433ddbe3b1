#include "ui/u_busquedaCertificados.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QLineEdit>
#include <QPushButton>

#include "core/u_expresionFiltro.h"
#include "core/u_tablaCertificados.h"
#include "ui/u_panelIzquierdo.h"
#include "ui/u_rejillaCertificados.h"

namespace marlevanta {

namespace {

const char* kIndices[] = {kIndiceInIndice, kIndiceInEmitidoPara, kIndiceInAlias,
                          kIndiceInFechaCaducidad};

}  // namespace

BusquedaCertificados::BusquedaCertificados(PanelIzquierdo& panel, RejillaCertificados& rejilla,
                                           TTablaCertificados& tabla,
                                           std::function<void(const QString&)> avisar,
                                           QObject* parent)
    : QObject(parent), panel_(panel), rejilla_(rejilla), tabla_(tabla), avisar_(std::move(avisar)) {
    connect(panel_.edtBuscarNombre, &QLineEdit::textChanged, this,
            &BusquedaCertificados::AplicarFiltro);
    connect(panel_.chkVerCertificadosCliente, &QCheckBox::toggled, this,
            &BusquedaCertificados::AplicarFiltro);
    connect(panel_.chkOcultarCaducados, &QCheckBox::toggled, this,
            &BusquedaCertificados::AplicarFiltro);
    connect(panel_.chkProximos, &QCheckBox::toggled, this, &BusquedaCertificados::chkProximosClick);
    connect(panel_.btnBorrarBusqueda, &QPushButton::clicked, this,
            &BusquedaCertificados::btnBorrarBusquedaClick);
    connect(panel_.cmbOrden, &QComboBox::activated, this, &BusquedaCertificados::cmbOrdenChange);
    for (int tag = 0; tag < 4; ++tag) {
        connect(rejilla_.miOrden[tag], &QAction::triggered, this,
                [this, tag] { miOrdenNumeroClick(tag); });
    }
}

void BusquedaCertificados::AplicarFiltro() {
    const EstadoFiltro e = ConstruirFiltro(
        panel_.edtBuscarNombre->text(), panel_.chkProximos->isChecked(),
        panel_.chkOcultarCaducados->isChecked(), panel_.chkVerCertificadosCliente->isChecked(),
        QDateTime::currentDateTime());
    // The search box's text is always a valid literal: a failure here is a fault of the program.
    if (auto h = tabla_.ProgramarFiltro(e.filtrado, e.expresion); !h) {
        avisar_(QString::fromStdString(h.motivo()));
    }
}

void BusquedaCertificados::chkProximosClick() {
    if (panel_.chkProximos->isChecked()) panel_.chkOcultarCaducados->setChecked(true);
    panel_.chkOcultarCaducados->setEnabled(!panel_.chkProximos->isChecked());
    AplicarFiltro();
}

void BusquedaCertificados::btnBorrarBusquedaClick() {
    panel_.edtBuscarNombre->setText(QString());
    AplicarFiltro();
    rejilla_.setFocus();
}

void BusquedaCertificados::cmbOrdenChange() {
    const int orden = panel_.cmbOrden->currentIndex();
    const int columna = (orden >= 1 && orden <= 3) ? orden : 0;
    // The names are the table's own: it cannot refuse them.
    (void)tabla_.SetIndexName(QString::fromLatin1(kIndices[columna]));
    rejilla_.FijarColumnaResaltada(columna);
    AplicarFiltro();
}

void BusquedaCertificados::miOrdenNumeroClick(int tag) {
    panel_.cmbOrden->setCurrentIndex(tag);
    cmbOrdenChange();
}

void BusquedaCertificados::grdCertificadosKeyPress(const QString& texto) {
    QLineEdit* e = panel_.edtBuscarNombre;
    e->setText(texto);
    e->setFocus();
    e->deselect();
    e->setCursorPosition(static_cast<int>(texto.size()));
}

}  // namespace marlevanta
