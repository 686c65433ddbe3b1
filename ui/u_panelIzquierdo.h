// The main window's left panel: the program's name, the search, the switches, the order, the
// large button and, in the strip at its bottom, the update label and the four picture buttons.
#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace marlevanta {

class BotonUsarCertificado;

class PanelIzquierdo : public QWidget {
    Q_OBJECT

public:
    explicit PanelIzquierdo(QWidget* parent);

    QLineEdit* edtBuscarNombre = nullptr;
    QPushButton* btnBorrarBusqueda = nullptr;
    QCheckBox* chkVerCertificadosCliente = nullptr;
    QCheckBox* chkOcultarCaducados = nullptr;
    QCheckBox* chkProximos = nullptr;
    QComboBox* cmbOrden = nullptr;
    BotonUsarCertificado* btnUsarCertificado = nullptr;
    QPushButton* btnEditarAlias = nullptr;
    QFrame* Panel1 = nullptr;
    QLabel* lblUpdate = nullptr;
    QToolButton* btnAyuda = nullptr;
    QToolButton* btnConfig = nullptr;
    QToolButton* btnAcercade = nullptr;
    QToolButton* btnSalir = nullptr;

protected:
    // The bottom strip stays at the bottom whatever the window's height.
    void resizeEvent(QResizeEvent* e) override;
};

}  // namespace marlevanta
