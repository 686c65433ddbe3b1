// The about window: name, version and the maker's contact data, with clickable addresses.
#pragma once

#include <QDialog>
#include <QLabel>

#include "core/u_datosPrograma.h"

class QPushButton;

namespace marlevanta {

// A label that opens its address when clicked.
class EtiquetaEnlace : public QLabel {
    Q_OBJECT

public:
    using QLabel::QLabel;

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* e) override;
};

class TfrmAcercade : public QDialog {
    Q_OBJECT

public:
    // `version` and `fecha`: the program's version text and version date.
    TfrmAcercade(QWidget* owner, const DatosContacto& contacto, const QString& version,
                 const QString& fecha);

    QLabel* lblVersion() const { return lblVersion_; }
    QLabel* lblCopyDireccion() const { return lblCopyDireccion_; }
    EtiquetaEnlace* lblCopyWeb() const { return lblCopyWeb_; }
    EtiquetaEnlace* lblCopyEmailGeneral() const { return lblCopyEmailGeneral_; }
    EtiquetaEnlace* lblCopyEmailSoporte() const { return lblCopyEmailSoporte_; }
    QLabel* lblEmailGeneral() const { return lblEmailGeneral_; }
    QLabel* lblEmailSoporte() const { return lblEmailSoporte_; }
    QLabel* lblWeb() const { return lblWeb_; }
    QWidget* Panel2() const { return panel2_; }

private:
    QWidget* panel1_;
    QWidget* panel2_;
    QLabel* lblVersion_;
    QLabel* lblCopyDireccion_;
    EtiquetaEnlace* lblCopyWeb_;
    EtiquetaEnlace* lblCopyEmailGeneral_;
    EtiquetaEnlace* lblCopyEmailSoporte_;
    QLabel* lblEmailGeneral_;
    QLabel* lblEmailSoporte_;
    QLabel* lblWeb_;
};

}  // namespace marlevanta
