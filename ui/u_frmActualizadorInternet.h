// The updater window: checks for a newer version, downloads the package with progress and a
// cancel button, and hands over to the external updater. The work itself is the update action's;
// this window shows it.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace marlevanta {

class Actualizacion;
class TmanejadorFuncionesComunes;
struct FinDescarga;
struct InfoVersion;
template <class T>
class Resultado;

class TfrmActualizadorInternet : public QDialog {
    Q_OBJECT

public:
    // `version`: the program's version text.
    TfrmActualizadorInternet(QWidget* owner, Actualizacion& actualizacion,
                             TmanejadorFuncionesComunes& comunes, const QString& version);

    bool flagDescargaOk = false;
    bool cancelarDescarga = false;

    QLineEdit* edtNombre() const { return edtNombre_; }
    QLineEdit* edtVersion() const { return edtVersion_; }
    QLineEdit* edtDestino() const { return edtDestino_; }
    QPushButton* btnActualizar() const { return btnActualizar_; }
    QPushButton* btnCerrar() const { return btnCerrar_; }
    QProgressBar* pgbDescarga() const { return pgbDescarga_; }
    QLabel* lblEstado() const { return lblEstado_; }
    // True from the click on "Actualizar" until the attempt has ended.
    bool Intentando() const;

protected:
    void showEvent(QShowEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void reject() override;

private:
    void FormShow();
    void btnActualizarClick();
    void btnCerrarClick();
    void VersionLeida(const Resultado<InfoVersion>& version);
    void IdHttpWork(qint64 recibidos, qint64 total);
    void Descargada(const FinDescarga& fin);
    void Inactivo();

    Actualizacion& actualizacion_;
    TmanejadorFuncionesComunes& comunes_;
    QString version_;
    QLineEdit* edtNombre_;
    QLineEdit* edtVersion_;
    QLineEdit* edtDestino_;
    QPushButton* btnActualizar_;
    QPushButton* btnCerrar_;
    QProgressBar* pgbDescarga_;
    QLabel* lblEstado_;
};

}  // namespace marlevanta
