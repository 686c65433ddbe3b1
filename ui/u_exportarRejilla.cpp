#include "ui/u_exportarRejilla.h"

#include <QDateTime>
#include <QDir>
#include <QFileDialog>

#include "core/u_ajustes.h"
#include "core/u_exportarLista.h"
#include "core/u_manejadorRegistro.h"
#include "core/u_segundoPlano.h"
#include "core/u_tablaCertificados.h"
#include "ui/u_manejadorFuncionesComunes.h"
#include "ui/u_modeloCertificados.h"
#include "ui/u_rejillaCertificados.h"

namespace marlevanta {

namespace {

const QString kFiltroCsv = QStringLiteral("Hoja de cálculo (*.csv)");
const QString kFiltroIcs = QStringLiteral("Calendario (*.ics)");

QString ElegirConDialogo(QWidget* dueno) {
    QFileDialog d(dueno, QStringLiteral("Exportar lista"), QDir::homePath());
    d.setAcceptMode(QFileDialog::AcceptSave);
    d.setNameFilters({kFiltroCsv, kFiltroIcs});
    // The ending is added before the dialog asks about replacing, so the question names the
    // file that would really be replaced.
    d.setDefaultSuffix(QStringLiteral("csv"));
    QObject::connect(&d, &QFileDialog::filterSelected, &d, [&d](const QString& filtro) {
        d.setDefaultSuffix(filtro == kFiltroIcs ? QStringLiteral("ics") : QStringLiteral("csv"));
    });
    d.selectFile(QStringLiteral("certificados.csv"));
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return {};
    return d.selectedFiles().first();
}

}  // namespace

void ExportarLista(QWidget* dueno, RejillaCertificados& rejilla, TTablaCertificados& tabla,
                   TManejadorRegistro& registro, SegundoPlano& fondo,
                   TmanejadorFuncionesComunes& comunes,
                   const std::function<QString(QWidget*)>& elegir) {
    const QString ruta = elegir ? elegir(dueno) : ElegirConDialogo(dueno);
    if (ruta.isEmpty()) return;
    QByteArray datos;
    if (FormatoDeArchivo(ruta) == FormatoLista::ICalendar) {
        std::vector<RegistroCertificado> filas;
        for (int i = 0; i < tabla.RecordCount(); ++i) filas.push_back(tabla.Fila(i));
        datos = ListaIcs(filas, registro.ajustes().Entero(ajuste::AvisoCaducidadDias),
                         QDateTime::currentDateTime());
    } else {
        const ModeloCertificados& m = *rejilla.Modelo();
        QStringList cabeceras;
        std::vector<int> columnas;
        for (int c = 0; c < m.columnCount(); ++c) {
            if (rejilla.isColumnHidden(c)) continue;
            columnas.push_back(c);
            cabeceras << m.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        }
        std::vector<QStringList> filas;
        for (int f = 0; f < m.rowCount(); ++f) {
            QStringList celdas;
            for (const int c : columnas) celdas << m.index(f, c).data(Qt::DisplayRole).toString();
            filas.push_back(std::move(celdas));
        }
        datos = ListaCsv(cabeceras, filas);
    }
    fondo.Ejecutar(
        dueno, [ruta, datos] { return GuardarArchivo(ruta, datos); },
        [&comunes](const Hecho& hecho) {
            if (hecho) return;
            comunes.wmessagedlg(QStringLiteral("No se ha podido exportar la lista. ") +
                                    QString::fromStdString(hecho.motivo()),
                                mtError, Botones({mbOK}), 0);
        });
}

}  // namespace marlevanta
