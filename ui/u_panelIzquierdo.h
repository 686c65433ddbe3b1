// The main window's left panel: the program's name, the search, the switches, the order, the
// large button and, in the strip at its bottom, the update label and the four picture buttons.
#pragma once

#include <QColor>
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
struct EstadoVersion;

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
    // The certificates whose own browser is open (with a profile per certificate).
    QLabel* lblAbiertos = nullptr;
    QFrame* Panel1 = nullptr;
    QLabel* lblUpdate = nullptr;
    QToolButton* btnAyuda = nullptr;
    QToolButton* btnConfig = nullptr;
    QToolButton* btnAcercade = nullptr;
    QToolButton* btnSalir = nullptr;

    // The three switches as stored; "Sólo próximos a caducar" on turns the expired ones' switch
    // on and locks it.
    void FijarInterruptores(bool ocultarCaducados, bool soloCliente, bool proximos);

    // The update label after the start-up check: red with the version when there is a newer
    // one (and a hand cursor), grey with the reason on hover when nobody could tell.
    void MostrarVersion(const EstadoVersion& estado);

protected:
    // The bottom strip stays at the bottom whatever the window's height.
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    // The desktop's palette for the strip, with the fixed colours made readable on it.
    void AplicarColores();

    QFrame* cuadros_[3] = {};
    QColor colorUpdate_;
};

}  // namespace marlevanta
