// Offers to start the permission program with administrator rights when a policy write failed.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace marlevanta {

// pkexec and the permission program beside this one, with its absolute path.
QStringList OrdenPermisos(const QString& sid);

class TfrmDarPermisos : public QDialog {
    Q_OBJECT

public:
    explicit TfrmDarPermisos(QWidget* owner);
    QPushButton* btnAceptar() const { return btnAceptar_; }
    QPushButton* btnCancelar() const { return btnCancelar_; }

private:
    void btnAceptarClick();

    QLabel* Label1_;
    QPushButton* btnAceptar_;
    QPushButton* btnCancelar_;
};

}  // namespace marlevanta
