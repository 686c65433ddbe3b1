// The small frameless dialog in which the user types a certificate's alias and, if it wants, the
// page its browser opens on.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace marlevanta {

// Without leading and trailing blanks and control characters.
QString Recortar(const QString& texto);

class TfrmEditarAlias : public QDialog {
    Q_OBJECT

public:
    explicit TfrmEditarAlias(QWidget* owner);

    QLabel* lblCertificado() const { return lblCertificado_; }
    QLineEdit* edtAlias() const { return edtAlias_; }
    QLineEdit* edtPagina() const { return edtPagina_; }
    // Guidance under the page, or why the page typed is refused.
    QLabel* lblAvisoPagina() const { return lblAvisoPagina_; }
    QPushButton* btnSalir() const { return btnSalir_; }
    QToolButton* btnCerrar() const { return btnCerrar_; }

    // However it is closed, it closes only with a page it can take (or none).
    void done(int resultado) override;

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    QLabel* lblCertificado_;
    QLineEdit* edtAlias_;
    QLineEdit* edtPagina_;
    QLabel* lblAvisoPagina_;
    QPushButton* btnSalir_;
    QToolButton* btnCerrar_;
};

}  // namespace marlevanta
