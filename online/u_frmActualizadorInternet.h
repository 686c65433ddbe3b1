// The updater window: checks for a newer version, downloads the package with progress and a
// cancel button, and hands over to the external updater.
#pragma once

#include <QDialog>
#include <functional>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace marlevanta {

class TManejadorApi;

class TfrmActualizadorInternet : public QDialog {
    Q_OBJECT

public:
    // `versionPropia`: the program's comparable version number.
    TfrmActualizadorInternet(QWidget* owner, TManejadorApi& api, int versionPropia);

    bool flagDescargaOk = false;
    QString clavezip;
    bool cancelarDescarga = false;

    // The program's folder and file, where the external updater is and what it updates.
    QString carpetaPrograma;
    QString rutaPrograma;
    // The request that the program end after a successful hand-over.
    std::function<void()> SolicitarFin;

    QLineEdit* edtNombre() const { return edtNombre_; }
    QLineEdit* edtVersion() const { return edtVersion_; }
    QLineEdit* edtDestino() const { return edtDestino_; }
    QPushButton* btnActualizar() const { return btnActualizar_; }
    QPushButton* btnCerrar() const { return btnCerrar_; }
    QProgressBar* pgbDescarga() const { return pgbDescarga_; }
    QLabel* lblEstado() const { return lblEstado_; }

protected:
    void showEvent(QShowEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void reject() override;

private:
    void FormShow();
    void btnActualizarClick();
    void btnCerrarClick();
    bool IdHttpWork(qint64 recibidos, qint64 total);
    void Traspasar();

    TManejadorApi& api_;
    int versionPropia_;
    QLineEdit* edtNombre_;
    QLineEdit* edtVersion_;
    QLineEdit* edtDestino_;
    QPushButton* btnActualizar_;
    QPushButton* btnCerrar_;
    QProgressBar* pgbDescarga_;
    QLabel* lblEstado_;
};

}  // namespace marlevanta
