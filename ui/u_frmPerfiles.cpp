#include "ui/u_frmPerfiles.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/u_manejadorRegistro.h"
#include "core/u_sesionNavegador.h"
#include "core/u_sesionesPorCertificado.h"
#include "ui/u_ventanas.h"

namespace marlevanta {

TfrmPerfiles::TfrmPerfiles(QWidget* owner, TManejadorRegistro& registro,
                           const TTablaCertificados& tabla)
    : QDialog(owner), registro_(registro), certificados_(tabla) {
    setObjectName(QStringLiteral("frmPerfiles"));
    setWindowTitle(QStringLiteral("Marlevanta - Perfiles de navegador por certificado"));
    resize(640, 360);
    auto* capa = new QVBoxLayout(this);
    tabla_ = new QTableWidget(0, 5, this);
    tabla_->setObjectName(QStringLiteral("tblPerfiles"));
    tabla_->setHorizontalHeaderLabels({QStringLiteral("Certificado"), QStringLiteral("Navegador"),
                                       QStringLiteral("Tamaño"), QStringLiteral("Último uso"),
                                       QStringLiteral("Estado")});
    tabla_->setSelectionBehavior(QAbstractItemView::SelectRows);
    tabla_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tabla_->verticalHeader()->hide();
    tabla_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    capa->addWidget(tabla_);
    auto* botones = new QHBoxLayout;
    btnBorrar_ = new QPushButton(QStringLiteral("Borrar los perfiles elegidos"), this);
    btnBorrar_->setObjectName(QStringLiteral("btnBorrar"));
    auto* cerrar = new QPushButton(QStringLiteral("Cerrar"), this);
    botones->addWidget(btnBorrar_);
    botones->addStretch(1);
    botones->addWidget(cerrar);
    capa->addLayout(botones);
    connect(btnBorrar_, &QPushButton::clicked, this, &TfrmPerfiles::Borrar);
    connect(cerrar, &QPushButton::clicked, this, &QDialog::accept);
    Llenar();
    CentrarSobre(this, owner);
}

void TfrmPerfiles::Llenar() {
    const std::vector<FilaPerfil> filas = ListaPerfiles(registro_, certificados_);
    tabla_->setRowCount(static_cast<int>(filas.size()));
    const QLocale local;
    for (int i = 0; i < static_cast<int>(filas.size()); ++i) {
        const FilaPerfil& f = filas[static_cast<size_t>(i)];
        const QString textos[] = {f.certificado, NombreNavegador(f.navegador),
                                  local.formattedDataSize(static_cast<qint64>(f.info.bytes)),
                                  QDateTime::fromSecsSinceEpoch(f.info.ultimoUso)
                                      .toString(QStringLiteral("dd/MM/yyyy HH:mm")),
                                  f.info.abierto ? QStringLiteral("abierto") : QString()};
        for (int c = 0; c < 5; ++c) {
            auto* celda = new QTableWidgetItem(textos[c]);
            celda->setData(Qt::UserRole, QString::fromStdString(f.info.id));
            celda->setData(Qt::UserRole + 1, static_cast<int>(f.navegador));
            tabla_->setItem(i, c, celda);
        }
    }
    btnBorrar_->setEnabled(!filas.empty());
}

void TfrmPerfiles::Borrar() {
    QStringList fallos;
    for (const QModelIndex& fila : tabla_->selectionModel()->selectedRows()) {
        const QTableWidgetItem* celda = tabla_->item(fila.row(), 0);
        const auto navegador = static_cast<Navegador>(celda->data(Qt::UserRole + 1).toInt());
        const std::string id = celda->data(Qt::UserRole).toString().toStdString();
        if (auto h = registro_.BorrarPerfilCertificado(navegador, id); !h) {
            fallos << QString::fromStdString(h.motivo());
        }
    }
    Llenar();
    if (!fallos.isEmpty()) {
        QMessageBox caja(QMessageBox::Warning, windowTitle(), fallos.join(u'\n'),
                         QMessageBox::NoButton, this);
        caja.addButton(QStringLiteral("Aceptar"), QMessageBox::AcceptRole);
        caja.exec();
    }
}

}  // namespace marlevanta
