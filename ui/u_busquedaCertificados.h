// The search box, the three switches and the order of the main window, tied to the certificate
// table they filter and sort and to the grid that shows it.
#pragma once

#include <QObject>
#include <functional>

namespace marlevanta {

class PanelIzquierdo;
class RejillaCertificados;
class TTablaCertificados;

class BusquedaCertificados : public QObject {
    Q_OBJECT

public:
    // `avisar` tells the user of a filter the table refused (a fault of the program).
    BusquedaCertificados(PanelIzquierdo& panel, RejillaCertificados& rejilla,
                         TTablaCertificados& tabla, std::function<void(const QString&)> avisar,
                         QObject* parent);

    // The table's filter from the search box and the switches.
    void AplicarFiltro();
    // The order of the list's selection: its index, its highlighted column, the filter again.
    void cmbOrdenChange();
    void miOrdenNumeroClick(int tag);
    // A letter or digit typed in the grid starts a search with it.
    void grdCertificadosKeyPress(const QString& texto);

private:
    void chkProximosClick();
    void btnBorrarBusquedaClick();

    PanelIzquierdo& panel_;
    RejillaCertificados& rejilla_;
    TTablaCertificados& tabla_;
    std::function<void(const QString&)> avisar_;
};

}  // namespace marlevanta
