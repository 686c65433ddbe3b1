// The certificate profiles: whose each one is, its size and last use, and deleting those the user
// no longer needs (never one that a browser has open).
#pragma once

#include <QDialog>

class QPushButton;
class QTableWidget;

namespace marlevanta {

class TManejadorRegistro;
class TTablaCertificados;

class TfrmPerfiles : public QDialog {
    Q_OBJECT

public:
    TfrmPerfiles(QWidget* owner, TManejadorRegistro& registro, const TTablaCertificados& tabla);

    QTableWidget* tblPerfiles() const { return tabla_; }
    QPushButton* btnBorrar() const { return btnBorrar_; }

private:
    void Llenar();
    void Borrar();

    TManejadorRegistro& registro_;
    const TTablaCertificados& certificados_;
    QTableWidget* tabla_;
    QPushButton* btnBorrar_;
};

}  // namespace marlevanta
